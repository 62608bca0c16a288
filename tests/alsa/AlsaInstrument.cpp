// A Kestrane on the real MIDI system, for the sessions in the virtual machine: either a sequencer
// client of its own or the far end of snd-virmidi's raw MIDI device (where a USB-MIDI cable would
// put it). It writes one line per message to its log and takes cues from a FIFO:
//   alsa_instrument (--seq NAME | --raw [DEVICE] [--read-rate BYTES]) --log FILE --cue FIFO [--silent]
// Log lines: "<µs> ready <where>", "<µs> in <hex> <pieces> <µs of its first piece>", "<µs> out <hex>",
// "<µs> xrun <bytes>", "<µs> note <text>"; µs on CLOCK_MONOTONIC, so that the session driver can
// set them against its own clock. It sends no faster than a MIDI cable carries bytes (31250 baud,
// 10 bits a byte): the editor has to keep up with an instrument, not with a program that empties a
// buffer at once. --read-rate makes it read the raw device no faster than that either, as a cable
// drains the port's buffer; "xrun" lines then count the bytes that the device dropped for want of
// room since the line before.
// Cues, one per line: "pc N", "cc N V", "silent", "speak", "quit". --silent answers nothing (a
// bystander client, or an instrument not yet switched on) until "speak".

#include <alsa/asoundlib.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>
#include "tests/alsa/InstrumentLogic.h"

namespace
{
volatile std::sig_atomic_t stopRequested = 0;
void onSignal (int) { stopRequested = 1; }

long long nowUs()
{
    timespec t {};
    clock_gettime (CLOCK_MONOTONIC, &t);
    return static_cast<long long> (t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

int logFd = -1;

// One write per line, so that a reader never sees two lines mixed.
void logLine (const std::string& what)
{
    const std::string line = std::to_string (nowUs()) + " " + what + "\n";
    if (logFd >= 0 && write (logFd, line.data(), line.size()) < 0)
        std::perror ("log");
}

std::string hex (const MidiBytes& m)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve (m.size() * 2);
    for (uint8_t b : m)
    {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// How the bytes travel.
class Transport
{
public:
    virtual ~Transport() = default;
    virtual std::vector<pollfd> pollFds() = 0;
    // Reads what is there and hands every whole message to `take`.
    virtual void receive (const MidiStreamParser::Taker& take) = 0;
    virtual bool send (const MidiBytes& m) = 0;
};

class SequencerPort : public Transport
{
public:
    bool open (const char* name)
    {
        if (snd_seq_open (&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
            return false;
        snd_seq_set_client_name (seq, name);
        port = snd_seq_create_simple_port (seq, name,
                                           SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                               | SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE
                                               | SND_SEQ_PORT_CAP_DUPLEX,
                                           SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE);
        if (port < 0)
            return false;
        if (snd_midi_event_new (8192, &decoder) < 0 || snd_midi_event_new (8192, &encoder) < 0)
            return false;
        snd_midi_event_no_status (decoder, 1);
        where = "seq " + std::to_string (snd_seq_client_id (seq)) + ":" + std::to_string (port);
        return true;
    }

    ~SequencerPort() override
    {
        if (decoder != nullptr)
            snd_midi_event_free (decoder);
        if (encoder != nullptr)
            snd_midi_event_free (encoder);
        if (seq != nullptr)
            snd_seq_close (seq);
    }

    std::vector<pollfd> pollFds() override
    {
        std::vector<pollfd> fds (static_cast<size_t> (snd_seq_poll_descriptors_count (seq, POLLIN)));
        snd_seq_poll_descriptors (seq, fds.data(), static_cast<unsigned> (fds.size()), POLLIN);
        return fds;
    }

    void receive (const MidiStreamParser::Taker& take) override
    {
        for (;;)
        {
            snd_seq_event_t* ev = nullptr;
            const int r = snd_seq_event_input (seq, &ev);
            if (r == -EAGAIN || r == -EWOULDBLOCK)
                return;
            if (r == -ENOSPC)
            {
                logLine ("note input overrun: the sequencer dropped events for this client");
                continue;
            }
            if (r < 0 || ev == nullptr)
                return;
            // Only what was sent to this port is the instrument's business.
            if (ev->dest.port != port)
                continue;
            uint8_t buf[8192];
            const long n = snd_midi_event_decode (decoder, buf, sizeof (buf), ev);
            snd_midi_event_reset_decode (decoder);
            if (n > 0)
                parser.feed (buf, static_cast<size_t> (n), take, nowUs());
        }
    }

    bool send (const MidiBytes& m) override
    {
        const uint8_t* data = m.data();
        long left = static_cast<long> (m.size());
        snd_midi_event_reset_encode (encoder);
        while (left > 0)
        {
            snd_seq_event_t ev;
            snd_seq_ev_clear (&ev);
            const long used = snd_midi_event_encode (encoder, data, left, &ev);
            if (used <= 0)
                return false;
            data += used;
            left -= used;
            if (ev.type == SND_SEQ_EVENT_NONE)
                continue;
            snd_seq_ev_set_source (&ev, static_cast<unsigned char> (port));
            snd_seq_ev_set_subs (&ev);
            snd_seq_ev_set_direct (&ev);
            if (! output (ev))
                return false;
        }
        return true;
    }

    std::string where;

private:
    // A full receiver gives EAGAIN: wait for it as a cable would, but not for ever.
    bool output (snd_seq_event_t& ev)
    {
        int waits = 0;
        for (;;)
        {
            const int r = snd_seq_event_output_direct (seq, &ev);
            if (r >= 0)
            {
                if (waits > 0)
                    logLine ("note receiver full: waited " + std::to_string (waits) + " ms");
                return true;
            }
            if ((r != -EAGAIN && r != -ENOMEM) || waits >= 5000)
            {
                logLine ("note send failed: " + std::string (snd_strerror (r)));
                return false;
            }
            usleep (1000);
            ++waits;
        }
    }

    snd_seq_t* seq = nullptr;
    int port = -1;
    snd_midi_event_t* decoder = nullptr;
    snd_midi_event_t* encoder = nullptr;
    MidiStreamParser parser;
};

class RawMidiDevice : public Transport
{
public:
    bool open (std::string device)
    {
        if (device.empty())
            device = findVirmidi();
        if (device.empty())
            return false;
        // Two opens: one open of both directions shares one file, and blocking writes would
        // make the reads block too.
        if (snd_rawmidi_open (&in, nullptr, device.c_str(), SND_RAWMIDI_NONBLOCK) < 0
            || snd_rawmidi_open (nullptr, &out, device.c_str(), 0) < 0)
            return false;
        where = "raw " + device;
        return true;
    }

    ~RawMidiDevice() override
    {
        if (in != nullptr)
            snd_rawmidi_close (in);
        if (out != nullptr)
            snd_rawmidi_close (out);
    }

    // Reads at most `bytesPerSecond` from now on.
    void readAtMost (int bytesPerSecond)
    {
        rate = bytesPerSecond;
        allowanceAt = nowUs();
    }
    bool paced() const { return rate > 0; }

    // A paced reader wakes on its own clock, not on the device: what has come waits in the buffer.
    std::vector<pollfd> pollFds() override
    {
        if (paced())
            return {};
        std::vector<pollfd> fds (static_cast<size_t> (snd_rawmidi_poll_descriptors_count (in)));
        snd_rawmidi_poll_descriptors (in, fds.data(), static_cast<unsigned> (fds.size()));
        return fds;
    }

    void receive (const MidiStreamParser::Taker& take) override
    {
        for (;;)
        {
            uint8_t buf[4096];
            size_t wanted = sizeof (buf);
            if (paced())
            {
                // What the wire carried since the last look; a late wake-up may catch up on 50 ms.
                const long long now = nowUs();
                allowance = std::min (allowance + static_cast<double> (now - allowanceAt) * rate / 1e6, rate / 20.0);
                allowanceAt = now;
                wanted = std::min (wanted, static_cast<size_t> (allowance));
                if (wanted == 0)
                    break;
            }
            const ssize_t n = snd_rawmidi_read (in, buf, wanted);
            if (n <= 0)
                break;
            allowance -= static_cast<double> (n);
            parser.feed (buf, static_cast<size_t> (n), take, nowUs());
        }
        reportXruns();
    }

    bool send (const MidiBytes& m) override
    {
        size_t done = 0;
        while (done < m.size())
        {
            const ssize_t n = snd_rawmidi_write (out, m.data() + done, m.size() - done);
            if (n < 0)
            {
                logLine ("note send failed: " + std::string (snd_strerror (static_cast<int> (n))));
                return false;
            }
            done += static_cast<size_t> (n);
        }
        return true;
    }

    std::string where;

private:
    // The device counts the bytes that it had no room for, and reading the status resets the count.
    void reportXruns()
    {
        snd_rawmidi_status_t* status = nullptr;
        snd_rawmidi_status_alloca (&status);
        if (snd_rawmidi_status (in, status) < 0)
            return;
        const size_t dropped = snd_rawmidi_status_get_xruns (status);
        if (dropped > 0)
            logLine ("xrun " + std::to_string (dropped));
    }

    // The card that snd-virmidi made: its first device.
    static std::string findVirmidi()
    {
        int card = -1;
        while (snd_card_next (&card) == 0 && card >= 0)
        {
            snd_ctl_t* ctl = nullptr;
            const std::string hw = "hw:" + std::to_string (card);
            if (snd_ctl_open (&ctl, hw.c_str(), 0) < 0)
                continue;
            snd_ctl_card_info_t* info = nullptr;
            snd_ctl_card_info_alloca (&info);
            bool found = false;
            if (snd_ctl_card_info (ctl, info) == 0)
                found = std::strstr (snd_ctl_card_info_get_driver (info), "VirMIDI") != nullptr;
            snd_ctl_close (ctl);
            if (found)
                return hw + ",0";
        }
        return {};
    }

    snd_rawmidi_t* in = nullptr;
    snd_rawmidi_t* out = nullptr;
    MidiStreamParser parser;
    int rate = 0;  // bytes a second; 0: whatever is there
    double allowance = 0;
    long long allowanceAt = 0;
};

void usage()
{
    std::fprintf (stderr, "usage: alsa_instrument (--seq NAME | --raw [DEVICE] [--read-rate BYTES]) --log FILE --cue FIFO [--silent]\n");
}
} // namespace

int main (int argc, char** argv)
{
    std::string seqName, rawDevice, logPath, cuePath;
    bool raw = false, silent = false;
    int readRate = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != '-';
        if (a == "--seq" && hasValue)
            seqName = argv[++i];
        else if (a == "--raw")
        {
            raw = true;
            if (hasValue)
                rawDevice = argv[++i];
        }
        else if (a == "--read-rate" && hasValue)
            readRate = std::atoi (argv[++i]);
        else if (a == "--log" && hasValue)
            logPath = argv[++i];
        else if (a == "--cue" && hasValue)
            cuePath = argv[++i];
        else if (a == "--silent")
            silent = true;
        else
        {
            usage();
            return 2;
        }
    }
    if ((seqName.empty() == ! raw) || logPath.empty() || cuePath.empty() || readRate < 0 || (readRate > 0 && ! raw))
    {
        usage();
        return 2;
    }

    std::signal (SIGTERM, onSignal);
    std::signal (SIGINT, onSignal);
    std::signal (SIGPIPE, SIG_IGN);

    logFd = ::open (logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (logFd < 0)
    {
        std::perror (logPath.c_str());
        return 1;
    }
    // Read and write, so that the FIFO never reports its end while no cue is being written.
    const int cueFd = ::open (cuePath.c_str(), O_RDWR | O_NONBLOCK);
    if (cueFd < 0)
    {
        std::perror (cuePath.c_str());
        return 1;
    }

    std::unique_ptr<Transport> transport;
    std::string where;
    bool paced = false;
    if (raw)
    {
        auto r = std::make_unique<RawMidiDevice>();
        if (! r->open (rawDevice))
        {
            logLine ("note cannot open the raw MIDI device");
            std::fprintf (stderr, "alsa_instrument: cannot open the raw MIDI device %s\n", rawDevice.c_str());
            return 1;
        }
        where = r->where;
        if (readRate > 0)
        {
            r->readAtMost (readRate);
            where += ", read at " + std::to_string (readRate) + " bytes/s";
            paced = true;
        }
        transport = std::move (r);
    }
    else
    {
        auto s = std::make_unique<SequencerPort>();
        if (! s->open (seqName.c_str()))
        {
            logLine ("note cannot open the sequencer");
            std::fprintf (stderr, "alsa_instrument: cannot open the sequencer\n");
            return 1;
        }
        where = s->where;
        transport = std::move (s);
    }

    const InstrumentLogic logic;
    constexpr long long byteTimeUs = 320;
    std::deque<MidiBytes> outgoing;
    long long wireFreeAt = 0;
    auto say = [&] (const MidiBytes& m) { outgoing.push_back (m); };
    auto sendDue = [&] {
        while (! outgoing.empty() && nowUs() >= wireFreeAt)
        {
            const MidiBytes m = outgoing.front();
            outgoing.pop_front();
            if (transport->send (m))
                logLine ("out " + hex (m));
            wireFreeAt = nowUs() + byteTimeUs * static_cast<long long> (m.size());
        }
    };
    const MidiStreamParser::Taker take = [&] (const MidiBytes& m, int pieces, long long startedAt) {
        logLine ("in " + hex (m) + " " + std::to_string (pieces) + " " + std::to_string (startedAt));
        if (! silent)
            for (auto& a : logic.answer (m))
                say (a);
    };

    logLine ("ready " + where);
    std::string cues;
    while (! stopRequested)
    {
        auto fds = transport->pollFds();
        const size_t midiFds = fds.size();
        fds.push_back ({ cueFd, POLLIN, 0 });
        int wait = outgoing.empty() ? 200 : static_cast<int> (std::max (0LL, wireFreeAt - nowUs()) / 1000 + 1);
        if (paced)
            wait = std::min (wait, 10);
        if (poll (fds.data(), fds.size(), wait) < 0)
        {
            if (errno == EINTR)
                continue;
            break;
        }
        transport->receive (take);
        sendDue();

        if ((fds[midiFds].revents & POLLIN) == 0)
            continue;
        char buf[256];
        const ssize_t n = read (cueFd, buf, sizeof (buf));
        if (n > 0)
            cues.append (buf, static_cast<size_t> (n));
        for (size_t nl; (nl = cues.find ('\n')) != std::string::npos;)
        {
            const std::string cue = cues.substr (0, nl);
            cues.erase (0, nl + 1);
            int a = 0, b = 0;
            if (std::sscanf (cue.c_str(), "pc %d", &a) == 1)
                say (InstrumentLogic::programChange (a));
            else if (std::sscanf (cue.c_str(), "cc %d %d", &a, &b) == 2)
                say (InstrumentLogic::controlChange (a, b));
            else if (cue == "silent" || cue == "speak")
            {
                silent = cue == "silent";
                logLine ("note " + cue);
            }
            else if (cue == "quit")
                stopRequested = 1;
            else
                logLine ("note unknown cue: " + cue);
        }
    }
    logLine ("note exit");
    return 0;
}
