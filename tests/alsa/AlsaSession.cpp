// One session of the editor against the real MIDI system, driven through the X server as a user
// would drive it and checked on the instrument's side. Runs inside the test machine:
//   alsa_session --mode seq|virmidi|wire --editor KEditor --instrument alsa_instrument --out DIR
// "wire" puts the instrument behind snd-virmidi's raw device as "virmidi" does, but reading it no
// faster than a MIDI cable drains (3,125 bytes/s), switched on only after the editor has started.
// Prints "PASS <step>" or "FAIL <step>: why" for every step; exits with the number of failures.

#include <alsa/asoundlib.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include "sound/SoundDump.h"
#include "tests/alsa/InstrumentLog.h"
#include "tests/alsa/InstrumentLogic.h"
#include "tests/alsa/Subprocess.h"
#include "tests/alsa/XwdScreen.h"

namespace
{
struct Rect
{
    int x, y, w, h;
    Rect offset (int dx, int dy) const { return { x + dx, y + dy, w, h }; }
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};

// Where the controls are, from the place table; window coordinates unless said otherwise.
namespace place
{
constexpr Rect contentButton { 121, 17, 50, 42 };   // row 1, "Content"
constexpr Rect soundButton { 201, 17, 50, 42 };     // row 2, "Sound"
constexpr int pageX = 74, pageY = 92;                // the content page's origin
constexpr Rect reqSet { 45, 219, 100, 48 };          // row 20, "ReqSet", in the page
constexpr Rect dumpSet { 45, 279, 100, 48 };         // row 21, "DumpSet", in the page
constexpr Rect up { 45, 359, 100, 48 };              // row 22, "Up", in the page: three frames, the second its hover look
constexpr Rect besideUp { 90, 410, 10, 6 };          // the page between "Up" and "Down"
constexpr Rect readout { 700, 712, 290, 22 };        // the transfer readout's display line
constexpr Rect userList { 166, 57, 238, 450 };       // in the page
constexpr int rowHeight = 16;
constexpr Rect hammerLevel { 130, 211, 83, 83 };     // row 28, the Model page's first knob (CC 32)
}

constexpr int modelKnobCc = 32;

// A 31,250-baud cable carries 10 bits a byte.
constexpr int cableBytesPerSecond = 3125;

// The sound dump's layout: the program byte, the checksum, the short value of record word 19
// (byte 24 + 1) and the raw word of record word 134 (bytes 44 + 4 * (134 - 38) ..), whose bits
// 23-16 are the editor's cached value of CC 70. CC 70 stores its value 0..127 as word 19 itself.
constexpr size_t programByte = 5, checksumByte = 1328;
constexpr int layerCc = 70;
constexpr size_t layerShortByte = 25, layerSlotByte = 44 + 4 * (134 - 38);

struct Options
{
    std::string mode, editor, instrument, out;
};

bool isSoundDump (const MidiBytes& m)  { return kestraneCommand (m) == kestrane::soundDump && m.size() > 5; }
bool isEditBuffer (const MidiBytes& m) { return isSoundDump (m) && m[5] == 127; }
bool isCc (const MidiBytes& m)         { return m.size() == 3 && (m[0] & 0xF0) == 0xB0; }
// What arrived of a sound dump, whole or cut short where the raw device dropped the rest.
bool startsSoundDump (const MidiBytes& m)
{
    return m.size() > programByte && m[0] == 0xF0 && m[1] == 0x7D && m[2] == 0x2B && m[4] == kestrane::soundDump;
}
bool startsProgramDump (const MidiBytes& m) { return startsSoundDump (m) && m[programByte] != 127; }
bool startsEditBuffer (const MidiBytes& m)  { return startsSoundDump (m) && m[programByte] == 127; }

MidiBytes probeFor (int d) { return { 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (d), kestrane::probe, 0xF7 }; }
const MidiBytes globalRequest = { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };
const MidiBytes soundRequest = { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 };

bool checksumOk (const MidiBytes& m)
{
    unsigned sum = 0;
    for (size_t i = 1; i + 1 < m.size(); ++i)
        sum += m[i];
    return (sum & 0x7F) == 0;
}

// A sound dump with its checksum made right: the two's complement of bytes 1..1327, 7 bits.
MidiBytes withChecksum (MidiBytes m)
{
    unsigned sum = 0;
    for (size_t i = 1; i < checksumByte; ++i)
        sum += m[i];
    m[checksumByte] = static_cast<uint8_t> ((0u - sum) & 0x7F);
    return m;
}

std::string seconds (long long us)
{
    char b[32];
    std::snprintf (b, sizeof (b), "%.1f s", us / 1e6);
    return b;
}

// Calls `visit` with each port's client name and port info, clients after `firstClient` in
// number order, each client's ports in turn.
void forEachPort (int firstClient, const std::function<void (const std::string&, snd_seq_port_info_t*)>& visit)
{
    snd_seq_t* seq = nullptr;
    if (snd_seq_open (&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0)
        return;
    snd_seq_client_info_t* ci;
    snd_seq_port_info_t* pi;
    snd_seq_client_info_alloca (&ci);
    snd_seq_port_info_alloca (&pi);
    snd_seq_client_info_set_client (ci, firstClient);
    while (snd_seq_query_next_client (seq, ci) == 0)
    {
        const std::string client = snd_seq_client_info_get_name (ci);
        snd_seq_port_info_set_client (pi, snd_seq_client_info_get_client (ci));
        snd_seq_port_info_set_port (pi, -1);
        while (snd_seq_query_next_port (seq, pi) == 0)
            visit (client, pi);
    }
    snd_seq_close (seq);
}

// The ports that JUCE lists as outputs (writable with subscription), in its order: clients
// after the system client, each client's ports in turn.
std::vector<std::string> sequencerOutputs()
{
    std::vector<std::string> names;
    forEachPort (0, [&] (const std::string&, snd_seq_port_info_t* pi) {
        if ((snd_seq_port_info_get_capability (pi) & SND_SEQ_PORT_CAP_SUBS_WRITE) != 0)
            names.push_back (snd_seq_port_info_get_name (pi));
    });
    return names;
}

int indexOf (const std::vector<std::string>& names, const std::string& prefix)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].compare (0, prefix.size(), prefix) == 0)
            return static_cast<int> (i);
    return -1;
}

std::string joined (const std::vector<std::string>& names)
{
    std::string s;
    for (size_t i = 0; i < names.size(); ++i)
        s += (i ? ", " : "") + std::to_string (i) + " \"" + names[i] + "\"";
    return s;
}

// Port names of the sequencer client called `client`.
std::vector<std::string> clientPorts (const std::string& client)
{
    std::vector<std::string> names;
    forEachPort (-1, [&] (const std::string& name, snd_seq_port_info_t* pi) {
        if (name == client)
            names.push_back (snd_seq_port_info_get_name (pi));
    });
    return names;
}

bool xdotool (const std::vector<std::string>& args, std::string* output = nullptr)
{
    std::vector<std::string> command { "xdotool" };
    command.insert (command.end(), args.begin(), args.end());
    return runCommand (command, 20000, output) == 0;
}

std::vector<std::string> visibleWindows (const std::string& namePattern)
{
    std::string out;
    std::vector<std::string> ids;
    if (! xdotool ({ "search", "--onlyvisible", "--name", namePattern }, &out))
        return ids;
    size_t start = 0;
    for (size_t nl; (nl = out.find ('\n', start)) != std::string::npos; start = nl + 1)
        if (nl > start)
            ids.push_back (out.substr (start, nl - start));
    return ids;
}

bool windowGeometry (const std::string& id, Rect& r)
{
    std::string out;
    if (! xdotool ({ "getwindowgeometry", "--shell", id }, &out))
        return false;
    auto value = [&] (const char* key) {
        const auto at = out.find (std::string (key) + "=");
        return at == std::string::npos ? -1 : std::atoi (out.c_str() + at + std::strlen (key) + 1);
    };
    r = { value ("X"), value ("Y"), value ("WIDTH"), value ("HEIGHT") };
    return r.w > 0;
}

class Session
{
public:
    explicit Session (Options o)
        : opt (std::move (o)), raw (opt.mode != "seq"), wire (opt.mode == "wire"), work ("/tmp/alsa-session-" + opt.mode),
          ilog (work + "/instrument.log"), blog (work + "/bystander.log")
    {
    }

    int run();

private:
    struct Result
    {
        std::string failure;  // empty: passed
        std::string detail;
    };
    static Result pass (std::string detail = {}) { return { {}, std::move (detail) }; }
    static Result fail (std::string why) { return { std::move (why), {} }; }

    void step (const std::string& name, bool later_steps_need_it, const std::function<Result()>& body);

    Result start();
    Result probe();
    Result request();
    Result dumpSet();
    Result programChange (int times);
    Result knob();
    Result secondClient();
    Result restart();
    Result screenshot();
    Result lateInstrument();
    Result wireRequest();
    Result wireDumpSet();
    Result windowAnswers (const char* during);
    Result requestAnswer();
    Result replugDuringDumpSet();
    Result quickSelection();
    Result programChangeThenKnob();

    // Waiting, always with a limit.
    bool waitFor (const std::function<bool()>& condition, int timeoutMs);
    bool waitQuiet (int quietMs, int timeoutMs);  // the instrument takes nothing new for quietMs
    std::vector<MidiBytes> received (size_t from, const std::function<bool (const MidiBytes&)>& which) const;
    std::string receivedList (size_t from) const;

    bool startInstrument (Subprocess& p, InstrumentLog& log, const std::string& cue, bool bystander, bool silent = false);
    std::string askDumpSet (bool withPresets);
    bool cue (const std::string& fifo, const std::string& line);
    void click (const Rect& r);
    void clickUserRow (int row);
    Rect inPage (const Rect& r) const { return r.offset (place::pageX, place::pageY); }
    std::string checkEditBuffer (const MidiBytes& got, int program) const;
    Result expectEditBuffers (size_t from, int program, int count, int timeoutMs);
    std::string selectRow (int row);  // a click on a user row: the sound goes to the edit buffer once
    Result expectFoundAgain (size_t from, const char* when);

    Options opt;
    bool raw;
    bool wire;
    std::string work;
    InstrumentLogic logic;
    Subprocess instrument, editor, bystander;
    InstrumentLog ilog, blog;
    std::string cuePath, bystanderCuePath;
    Rect window { 0, 0, 0, 0 };
    std::string windowId;
    int device = -1;  // the output index that the editor's probe named
    long long editorStartedAt = 0;
    std::string blocked;
    int failures = 0;

    // A click that JUCE takes only when the next X event comes (see waitFor).
    void xEventSent();
    long long lastXEventAt = 0;
    bool nudged = true;
    std::string currentStep;
    std::vector<std::string> nudgesThatHelped;

    // The window's answers to the pointer while the wire is busy: the pointer goes onto "Up" and
    // off it every 200 ms, and each change of the button's look is timed from its move.
    struct Answers
    {
        int moves = 0, late = 0, unseen = 0;
        long long longestUs = 0;
        std::string why;  // empty when they could be measured
        void add (const Answers& a)
        {
            moves += a.moves;
            late += a.late;
            unseen += a.unseen;
            longestUs = std::max (longestUs, a.longestUs);
            if (why.empty())
                why = a.why;
        }
    };
    static constexpr long long answerLimitUs = 250000;
    bool learnHoverLooks (std::string& why);
    Answers hoverWhile (const std::function<bool()>& done, long long limitUs);
    XwdScreen screen;
    uint64_t upLook = 0, upHoverLook = 0;
    Answers duringRequest, duringDumpSet;

    // What the Request's answer left for the step that judges it.
    struct RequestRecord
    {
        bool ran = false;
        std::string failure;
        int answers = 0, editBuffersBack = 0;
        long long lastAnswerEndUs = 0, lastSentUs = 0;
    };
    RequestRecord requestRecord;
    int presetsDumpIntact = -1;  // of 28, in the dump set with presets; -1 when it did not run
};

void Session::xEventSent()
{
    lastXEventAt = monotonicUs();
    nudged = false;
}

void Session::step (const std::string& name, bool laterStepsNeedIt, const std::function<Result()>& body)
{
    const long long t0 = monotonicUs();
    currentStep = name;
    Result r = blocked.empty() ? body() : fail ("not run: " + blocked);
    const double seconds = (monotonicUs() - t0) / 1e6;
    const std::string full = opt.mode + "/" + name;
    if (r.failure.empty())
        std::printf ("PASS %s%s%s [%.1f s]\n", full.c_str(), r.detail.empty() ? "" : ": ", r.detail.c_str(), seconds);
    else
    {
        ++failures;
        std::printf ("FAIL %s: %s [%.1f s]\n", full.c_str(), r.failure.c_str(), seconds);
        if (laterStepsNeedIt && blocked.empty())
            blocked = name + " failed";
    }
    std::fflush (stdout);
}

// Now and then a click or a key has no effect until the next X event reaches the window (the
// events wait in Xlib's queue while nothing wakes JUCE's event loop). A user moves the mouse all
// the time; here, after 4 s without the awaited effect, the pointer moves by one pixel, and the
// clicks that this helped are reported at the end.
bool Session::waitFor (const std::function<bool()>& condition, int timeoutMs)
{
    const long long end = monotonicUs() + timeoutMs * 1000LL;
    long long nudgedAt = 0;
    for (;;)
    {
        ilog.poll();
        blog.poll();
        if (condition())
        {
            if (nudgedAt != 0 && monotonicUs() - nudgedAt < 1000000)
                nudgesThatHelped.push_back (currentStep);
            return true;
        }
        if (monotonicUs() > end)
            return false;
        if (! nudged && monotonicUs() - lastXEventAt > 4000000)
        {
            nudged = true;
            xdotool ({ "mousemove_relative", "1", "0" });
            nudgedAt = monotonicUs();
        }
        sleepMs (20);
    }
}

bool Session::waitQuiet (int quietMs, int timeoutMs)
{
    const long long end = monotonicUs() + timeoutMs * 1000LL;
    size_t seen = ilog.messages.size() + blog.messages.size();
    long long since = monotonicUs();
    for (;;)
    {
        ilog.poll();
        blog.poll();
        const size_t now = ilog.messages.size() + blog.messages.size();
        if (now != seen)
        {
            seen = now;
            since = monotonicUs();
        }
        if (monotonicUs() - since >= quietMs * 1000LL)
            return true;
        if (monotonicUs() > end)
            return false;
        sleepMs (20);
    }
}

std::vector<MidiBytes> Session::received (size_t from, const std::function<bool (const MidiBytes&)>& which) const
{
    std::vector<MidiBytes> r;
    for (auto& m : incomingSince (ilog, from))
        if (which (m.bytes))
            r.push_back (m.bytes);
    return r;
}

std::string Session::receivedList (size_t from) const
{
    std::string s;
    int n = 0;
    for (auto& m : incomingSince (ilog, from))
    {
        if (++n > 8)
        {
            s += "; ...";
            break;
        }
        s += (s.empty() ? "" : "; ") + hexOf (m.bytes, 8);
    }
    return s.empty() ? "nothing" : s;
}

bool Session::startInstrument (Subprocess& p, InstrumentLog& log, const std::string& cuePipe, bool bystander, bool silent)
{
    std::vector<std::string> args { opt.instrument };
    if (bystander)
        args.insert (args.end(), { "--seq", "Bystander", "--silent" });
    else if (raw)
        args.push_back ("--raw");
    else
        args.insert (args.end(), { "--seq", "Kestrane" });
    if (! bystander && wire)
        args.insert (args.end(), { "--read-rate", std::to_string (cableBytesPerSecond) });
    if (! bystander && silent)
        args.push_back ("--silent");
    args.insert (args.end(), { "--log", work + (bystander ? "/bystander.log" : "/instrument.log"), "--cue", cuePipe });
    log.poll();
    const int readyBefore = log.readyCount;
    if (! p.start (args, opt.out + "/alsa-" + opt.mode + (bystander ? "-bystander.err" : "-instrument.err")))
        return false;
    return waitFor ([&] { return log.readyCount > readyBefore || ! p.running(); }, 20000) && p.running();
}

bool Session::cue (const std::string& fifo, const std::string& line)
{
    const int fd = ::open (fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const std::string text = line + "\n";
    const bool ok = write (fd, text.data(), text.size()) == static_cast<ssize_t> (text.size());
    ::close (fd);
    return ok;
}

void Session::click (const Rect& r)
{
    const std::string x = std::to_string (window.x + r.cx()), y = std::to_string (window.y + r.cy());
    xdotool ({ "mousemove", "--sync", x, y, "sleep", "0.05", "click", "1" });
    xEventSent();
}

void Session::clickUserRow (int row)
{
    const Rect list = inPage (place::userList);
    click ({ list.x, list.y + row * place::rowHeight, list.w / 2, place::rowHeight });
}

// An edit-buffer dump of the instrument's own program: the same bytes but for the program
// number (127) and the checksum that goes with it.
std::string Session::checkEditBuffer (const MidiBytes& got, int program) const
{
    const MidiBytes& own = logic.programs()[static_cast<size_t> (program)];
    if (got.size() != own.size())
        return "a dump of " + std::to_string (got.size()) + " bytes instead of " + std::to_string (own.size());
    if (got[5] != 127)
        return "program byte " + std::to_string (got[5]) + " instead of 127";
    if (! checksumOk (got))
        return "bad checksum";
    for (size_t i = 0; i < got.size(); ++i)
        if (i != 5 && i != soundDumpLength - 2 && got[i] != own[i])
        {
            char b[160];
            std::snprintf (b, sizeof (b), "not the instrument's sound %d: byte %zu is %02X, not %02X", program, i, got[i], own[i]);
            return b;
        }
    return {};
}

Session::Result Session::expectEditBuffers (size_t from, int program, int count, int timeoutMs)
{
    waitFor ([&] { return received (from, isEditBuffer).size() >= static_cast<size_t> (count); }, timeoutMs);
    waitQuiet (2000, 20000);
    std::vector<LoggedMessage> dumps;
    for (auto& m : incomingSince (ilog, from))
        if (isEditBuffer (m.bytes))
            dumps.push_back (m);
    if (dumps.size() != static_cast<size_t> (count))
    {
        std::string when;
        for (auto& d : dumps)
            when += (when.empty() ? " at +" : ", +") + std::to_string ((d.timeUs - dumps[0].timeUs) / 1000) + " ms";
        return fail ("sound " + std::to_string (program) + " came " + std::to_string (dumps.size())
                     + " times as the edit buffer, not " + std::to_string (count)
                     + (dumps.empty() ? " (received: " + receivedList (from) + ")" : when));
    }
    for (auto& d : dumps)
    {
        const auto why = checkEditBuffer (d.bytes, program);
        if (! why.empty())
            return fail (why);
    }
    return pass();
}

// Returns why not, or nothing.
std::string Session::selectRow (int row)
{
    const size_t from = ilog.messages.size();
    clickUserRow (row);
    const auto r = expectEditBuffers (from, row, 1, 20000);
    return r.failure.empty() ? std::string() : "selecting row " + std::to_string (row) + ": " + r.failure;
}

//==============================================================================
Session::Result Session::start()
{
    if (access ("/dev/snd/seq", R_OK | W_OK) != 0)
        return fail ("no sequencer: /dev/snd/seq cannot be opened");
    if (getenv ("DISPLAY") == nullptr)
        return fail ("no X display: DISPLAY is not set");
    for (auto* f : { &cuePath, &bystanderCuePath })
    {
        *f = work + (f == &cuePath ? "/cue" : "/bystander-cue");
        unlink (f->c_str());
        if (mkfifo (f->c_str(), 0600) != 0)
            return fail ("cannot make the FIFO " + *f);
    }
    // Over the wire it is switched on later (lateInstrument): it hears the probes and says nothing.
    if (! startInstrument (instrument, ilog, cuePath, false, wire))
        return fail ("the instrument did not start (see alsa-" + opt.mode + "-instrument.err)");

    editorStartedAt = monotonicUs();
    if (! editor.start ({ opt.editor }, opt.out + "/alsa-" + opt.mode + "-editor.log"))
        return fail ("cannot start " + opt.editor);
    std::string id;
    const bool shown = waitFor ([&] {
        if (! editor.running())
            return true;
        const auto ids = visibleWindows ("^K-Editor$");
        if (ids.empty() || ! windowGeometry (ids.front(), window))
            return false;
        id = ids.front();
        windowId = id;
        return window.w == 1024 && window.h == 768;
    }, 90000);
    if (! editor.running())
        return fail ("the editor exited at start (see alsa-" + opt.mode + "-editor.log)");
    if (! shown)
        return fail (id.empty() ? "no window \"K-Editor\" appeared"
                                : "the window stayed " + std::to_string (window.w) + " x " + std::to_string (window.h));
    // The window may be placed once more after it is shown: clicks go where it settles.
    for (int tries = 0; tries < 20; ++tries)
    {
        sleepMs (300);
        Rect now;
        if (! windowGeometry (id, now) || (now.x == window.x && now.y == window.y))
            break;
        window = now;
    }
    return pass ("instrument " + ilog.notes.back().substr (6) + "; window at (" + std::to_string (window.x) + ", "
                 + std::to_string (window.y) + "); outputs " + joined (sequencerOutputs()));
}

// Found by its probe: before its answer it takes nothing but the probe, after it the global
// request, once, on the output that the probe came on (else it would not arrive here).
Session::Result Session::probe()
{
    const size_t from = 0;
    if (! waitFor ([&] { return ! received (from, [] (const MidiBytes& m) { return m == globalRequest; }).empty(); }, 90000))
        return fail ("no global request arrived (received: " + receivedList (from) + ")");
    waitQuiet (1500, 10000);

    const auto& all = ilog.messages;
    size_t answerAt = all.size();
    for (size_t i = 0; i < all.size(); ++i)
        if (! all[i].incoming && kestraneCommand (all[i].bytes) == kestrane::probeAnswer)
        {
            answerAt = i;
            break;
        }
    std::vector<MidiBytes> before, after;
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].incoming)
            (i < answerAt ? before : after).push_back (all[i].bytes);
    if (answerAt == all.size())
        return fail ("the instrument never answered a probe");
    if (before.size() != 1 || kestraneCommand (before[0]) != kestrane::probe || before[0].size() != 6)
        return fail ("before its answer it received " + receivedList (from) + ", not just one probe");
    device = before[0][3];
    if (all[answerAt].bytes != MidiBytes ({ 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (device), 0x7B, 0xF7 }))
        return fail ("the answer " + hexOf (all[answerAt].bytes) + " does not name output " + std::to_string (device));
    if (after.size() != 1 || after[0] != globalRequest)
        return fail ("after its answer it received " + std::to_string (after.size()) + " messages, not the global request once: "
                     + receivedList (answerAt));
    const auto outputs = sequencerOutputs();
    const int expected = indexOf (outputs, raw ? "VirMIDI" : "Kestrane");
    if (device != expected)
        return fail ("the probe named output " + std::to_string (device) + ", but the instrument is output "
                     + std::to_string (expected) + " of " + joined (outputs));
    if (device == 0)
        return fail ("the instrument is the first port, so the probe had nothing to choose");
    return pass ("probe on output " + std::to_string (device) + ", then the global request once");
}

// "ReqSet" brings the 28 sounds; user row 5 then goes back as the edit buffer, byte for byte the
// instrument's sound 5 but for the program and the checksum.
Session::Result Session::request()
{
    size_t from = ilog.messages.size();
    click (inPage (place::reqSet));
    if (! waitFor ([&] { return ! received (from, [] (const MidiBytes& m) { return m == soundRequest; }).empty(); }, 20000))
        return fail ("no sound request arrived after a click on \"ReqSet\" (received: " + receivedList (from) + ")");
    auto sentDumps = [&] {
        int n = 0;
        for (size_t i = from; i < ilog.messages.size(); ++i)
            n += ! ilog.messages[i].incoming && isSoundDump (ilog.messages[i].bytes);
        return n;
    };
    if (! waitFor ([&] { return sentDumps() == 28; }, 60000))
        return fail ("the instrument sent " + std::to_string (sentDumps()) + " of its 28 dumps");
    waitQuiet (2000, 30000);
    const auto requests = received (from, [] (const MidiBytes& m) { return m == soundRequest; });
    if (requests.size() != 1)
        return fail (std::to_string (requests.size()) + " sound requests for one click");
    const size_t meanwhile = received (from, isEditBuffer).size();

    from = ilog.messages.size();
    clickUserRow (5);
    auto r = expectEditBuffers (from, 5, 1, 20000);
    if (! r.failure.empty())
        return fail ("after a click on user row 5: " + r.failure);
    int pieces = 0;
    for (auto& m : incomingSince (ilog, from))
        if (isEditBuffer (m.bytes))
            pieces = m.pieces;
    return pass ("28 dumps sent; row 5 came back as the edit buffer (in " + std::to_string (pieces) + " reads); "
                 + std::to_string (meanwhile) + " edit-buffer dumps while the dumps were taken");
}

// "DumpSet" with "Dump User Banks only": programs 7..27, each the instrument's own sound as it
// came, at least 200 ms apart.
// Clicks "DumpSet" and answers the question: "Dump User Banks only" (its key is Return) or "Dump
// with Presets" (Tab moves the focus to it, and Return then presses the focused button). Returns
// why it could not, or nothing.
std::string Session::askDumpSet (bool withPresets)
{
    click (inPage (place::dumpSet));
    std::vector<std::string> alert;
    if (! waitFor ([&] { return ! (alert = visibleWindows ("^Dump Kestrane Soundset$")).empty(); }, 20000))
        return "no question \"Dump Kestrane Soundset\" appeared";
    Rect box;
    if (! windowGeometry (alert.front(), box))
        return "the question's window has no geometry";
    xdotool ({ "mousemove", "--sync", std::to_string (box.cx()), std::to_string (box.cy()) });
    xdotool ({ "windowfocus", alert.front() });
    if (withPresets)
        xdotool ({ "key", "Tab" });
    xdotool ({ "key", "Return" });
    xEventSent();
    return {};
}

Session::Result Session::dumpSet()
{
    const size_t from = ilog.messages.size();
    const auto why = askDumpSet (false);
    if (! why.empty())
        return fail (why);

    auto programDumps = [&] {
        std::vector<LoggedMessage> r;
        for (auto& m : incomingSince (ilog, from))
            if (isSoundDump (m.bytes) && m.bytes[5] != 127)
                r.push_back (m);
        return r;
    };
    waitFor ([&] { return programDumps().size() >= 21; }, 60000);
    waitQuiet (2000, 20000);
    const auto dumps = programDumps();
    if (! visibleWindows ("^Dump Kestrane Soundset$").empty())
        return fail ("the question is still on the screen after Return; " + std::to_string (dumps.size()) + " dumps");
    if (dumps.size() != 21)
        return fail (std::to_string (dumps.size()) + " dumps arrived, not 21");
    long long minGap = 1LL << 40;
    int maxPieces = 0;
    for (size_t k = 0; k < dumps.size(); ++k)
    {
        const int p = static_cast<int> (k) + 7;
        const auto& m = dumps[k].bytes;
        if (m[5] != p)
            return fail ("dump " + std::to_string (k + 1) + " is for program " + std::to_string (m[5]) + ", not " + std::to_string (p));
        if (m != logic.programs()[static_cast<size_t> (p)])
            return fail ("the dump for program " + std::to_string (p) + " is not the instrument's own sound "
                         + (checksumOk (m) && m.size() == soundDumpLength ? "(well-formed)" : "(broken)"));
        if (k > 0)
            minGap = std::min (minGap, dumps[k].startedUs - dumps[k - 1].startedUs);
        maxPieces = std::max (maxPieces, dumps[k].pieces);
    }
    // The editor sleeps 200 ms after each dump; the receiver's clock reads each arrival a little
    // late or early (up to a few ms under emulation), so a gap a little short of 200 ms is jitter;
    // a dump sent without its pause would follow the one before within a few ms.
    constexpr long long receiveJitterUs = 10000;
    if (minGap < 200000 - receiveJitterUs)
        return fail ("two dumps came only " + std::to_string (minGap / 1000.0) + " ms apart");
    char b[120];
    std::snprintf (b, sizeof (b), "programs 7..27 intact, received at least %.1f ms apart, up to %d reads each", minGap / 1000.0, maxPieces);
    return pass (b);
}

// The instrument's Program Change 3 selects sound 3, which goes out `times` times: once on the
// content page, twice over a page of another engine (that page's switch sends it, then the tick).
Session::Result Session::programChange (int times)
{
    const size_t from = ilog.messages.size();
    if (! cue (cuePath, "pc 3"))
        return fail ("cannot cue the instrument");
    auto r = expectEditBuffers (from, 3, times, 20000);
    if (times == 1 && r.failure.find ("came 2 times") != std::string::npos)
        r.failure += ": the second 20 ms after the first one's 200 ms pause, so the user list's refresh"
                     " (its selection change) sent it before the tick's own send";
    return r.failure.empty() ? pass (times == 1 ? "sound 3 sent once" : "sound 3 sent twice") : r;
}

// A Model knob dragged goes out as CC 32 on the channel of the instrument's global dump.
Session::Result Session::knob()
{
    auto why = selectRow (5);
    if (! why.empty())
        return fail (why);
    size_t from = ilog.messages.size();
    click (place::soundButton);  // sound 5 is a Model sound: the Model page
    auto r = expectEditBuffers (from, 5, 1, 20000);
    if (! r.failure.empty())
        return fail ("the \"Sound\" button: " + r.failure);

    from = ilog.messages.size();
    const Rect k = place::hammerLevel;
    std::vector<std::string> drag { "mousemove", "--sync", std::to_string (window.x + k.cx()), std::to_string (window.y + k.cy()),
                                    "mousedown", "1" };
    for (int i = 1; i <= 8; ++i)
        drag.insert (drag.end(), { "sleep", "0.08", "mousemove", std::to_string (window.x + k.cx()),
                                   std::to_string (window.y + k.cy() - 5 * i) });
    drag.insert (drag.end(), { "sleep", "0.1", "mouseup", "1" });
    xdotool (drag);
    xEventSent();
    waitFor ([&] { return ! received (from, [] (const MidiBytes& m) { return isCc (m) && m[1] == modelKnobCc; }).empty(); }, 20000);
    waitQuiet (1500, 20000);
    const auto ccs = received (from, isCc);
    const uint8_t status = 0xB0 | InstrumentLogic::channel;
    std::vector<int> values;
    for (auto& m : ccs)
    {
        if (m[0] != status)
            return fail ("a CC arrived as " + hexOf (m) + ", not on channel " + std::to_string (InstrumentLogic::channel + 1));
        if (m[1] == modelKnobCc)
            values.push_back (m[2]);
    }
    if (values.empty())
        return fail ("the drag sent no CC 32 (received: " + receivedList (from) + ")");
    for (size_t i = 1; i < values.size(); ++i)
        if (values[i] <= values[i - 1])
            return fail ("CC 32 went " + std::to_string (values[i - 1]) + " then " + std::to_string (values[i]) + " on an upward drag");
    char b[120];
    std::snprintf (b, sizeof (b), "%zu CCs %02X 20 vv, %d..%d", values.size(), status, values.front(), values.back());
    return pass (b);
}

// After a change of ports the editor probes again; the instrument answers and is the one that
// the editor sends to.
Session::Result Session::expectFoundAgain (size_t from, const char* when)
{
    auto probes = [&] { return received (from, [] (const MidiBytes& m) { return kestraneCommand (m) == kestrane::probe; }); };
    if (! waitFor ([&] { return ! probes().empty(); }, 20000))
        return fail (std::string ("no probe ") + when + " (received: " + receivedList (from) + ")");
    if (! waitFor ([&] { return ! received (from, [] (const MidiBytes& m) { return m == globalRequest; }).empty(); }, 20000))
        return fail (std::string ("no global request after the probe ") + when + " (received: " + receivedList (from) + ")");
    waitQuiet (1500, 20000);
    if (probes().size() != 1)
        return fail (std::to_string (probes().size()) + " probes " + when);
    return pass();
}

Session::Result Session::secondClient()
{
    click (place::contentButton);
    waitQuiet (1500, 20000);

    size_t from = ilog.messages.size();
    if (! startInstrument (bystander, blog, bystanderCuePath, true))
        return fail ("the second client did not start");
    const int expected = indexOf (sequencerOutputs(), "Bystander");
    auto r = expectFoundAgain (from, "when the second client came");
    if (! r.failure.empty())
        return r;
    const auto seen = incomingSince (blog, 0);
    if (seen.size() != 1 || seen[0].bytes != probeFor (expected))
    {
        std::string list;
        for (auto& m : seen)
            list += (list.empty() ? "" : "; ") + hexOf (m.bytes, 8);
        return fail ("the second client (output " + std::to_string (expected) + ") received " + (list.empty() ? "nothing" : list)
                     + ", not just its probe");
    }

    from = ilog.messages.size();
    cue (bystanderCuePath, "quit");
    if (! bystander.stop (5000))
        return fail ("the second client does not go");
    r = expectFoundAgain (from, "when the second client went");
    if (! r.failure.empty())
        return r;

    from = ilog.messages.size();
    clickUserRow (7);
    r = expectEditBuffers (from, 7, 1, 20000);
    if (! r.failure.empty())
        return fail ("afterwards, user row 7: " + r.failure);
    return pass ("probed again when it came (its own probe on output " + std::to_string (expected)
                 + ") and when it went; row 7 reached the instrument");
}

Session::Result Session::restart()
{
    instrument.kill();
    if (! raw)
    {
        // Until the editor has let go of the old port, a new one at the same place goes unseen.
        if (! waitFor ([&] { return indexOf (clientPorts ("K-Editor"), "Kestrane") < 0; }, 20000))
            return fail ("the editor kept its ports to the instrument after it went");
    }
    const size_t from = ilog.messages.size();
    if (! startInstrument (instrument, ilog, cuePath, false))
        return fail ("the instrument did not come back");
    if (! raw)
    {
        auto r = expectFoundAgain (from, "when the instrument came back");
        if (! r.failure.empty())
            return r;
    }
    const size_t clickFrom = ilog.messages.size();
    clickUserRow (9);
    auto r = expectEditBuffers (clickFrom, 9, 1, 20000);
    if (! r.failure.empty())
        return fail ("after its return, user row 9: " + r.failure);
    if (raw && ! received (from, [] (const MidiBytes& m) { return kestraneCommand (m) == kestrane::probe; }).empty())
        return fail ("a probe behind the raw device, where no port came or went");
    return pass (raw ? "the raw device's port stayed: no probe, and row 9 reached it"
                     : "probed, answered, and row 9 reached it");
}

//==============================================================================
// Over the wire. The instrument was switched on with the editor and said nothing; once the editor
// has run 5 s it answers probes, and the editor has to find it within 5 s of that, then stop
// probing.
Session::Result Session::lateInstrument()
{
    auto isProbe = [] (const MidiBytes& m) { return kestraneCommand (m) == kestrane::probe; };
    if (! waitFor ([&] { return ! received (0, isProbe).empty(); }, 90000))
        return fail ("no probe reached the instrument while it was silent (received: " + receivedList (0) + ")");
    waitFor ([&] { return monotonicUs() - editorStartedAt >= 5000000; }, 10000);
    const size_t silentProbes = received (0, isProbe).size();

    const size_t from = ilog.messages.size();
    const long long spokeAt = monotonicUs();
    if (! cue (cuePath, "speak"))
        return fail ("cannot cue the instrument");
    auto requested = [&] { return ! received (from, [] (const MidiBytes& m) { return m == globalRequest; }).empty(); };
    const bool found = waitFor (requested, 5000);
    const long long foundAfter = monotonicUs() - spokeAt;
    std::string why;
    if (! found)
    {
        why = "not found within 5 s after it began to answer (" + std::to_string (silentProbes) + " probes while it was silent, "
              + std::to_string (received (from, isProbe).size()) + " since)";
        // Another port makes any editor probe again, so that the later steps have an instrument.
        if (startInstrument (bystander, blog, bystanderCuePath, true) && waitFor (requested, 20000))
            why += "; found once another port came";
    }
    for (size_t i = from; i < ilog.messages.size() && device < 0; ++i)
        if (! ilog.messages[i].incoming && kestraneCommand (ilog.messages[i].bytes) == kestrane::probeAnswer)
            device = ilog.messages[i].bytes[3];
    if (! why.empty())
        return fail (why);

    // Found: no probe more while the ports stay as they are (the editor re-probes every 2 s at most).
    const size_t answeredAt = ilog.messages.size();
    waitFor ([] { return false; }, 3000);
    const auto more = received (answeredAt, isProbe).size();
    if (more != 0)
        return fail ("found after " + seconds (foundAfter) + ", but " + std::to_string (more) + " more probes came in the 3 s after");
    return pass ("found " + seconds (foundAfter) + " after it began to answer; " + std::to_string (silentProbes)
                 + " probes while it was silent, none in the 3 s after its answer");
}

// "Dump set" with both answers: 21 and 28 dumps, every one byte for byte the instrument's own
// sound under its program number, and no byte dropped by the device.
Session::Result Session::wireDumpSet()
{
    std::string failures, times;
    for (const bool withPresets : { false, true })
    {
        const int first = withPresets ? 0 : 7, count = 28 - first;
        const std::string which = withPresets ? "\"Dump with Presets\"" : "\"Dump User Banks only\"";
        const size_t from = ilog.messages.size();
        const long long droppedBefore = ilog.droppedBytes;
        const long long askedAt = monotonicUs();
        const auto why = askDumpSet (withPresets);
        if (! why.empty())
            return fail (which + ": " + why);
        const long long answeredAt = monotonicUs();
        // The pointer moves over the window until the last dump has come.
        auto arrived = [&] {
            int n = 0;
            for (auto& m : incomingSince (ilog, from))
                n += startsProgramDump (m.bytes) && m.startedUs > askedAt;
            return n;
        };
        duringDumpSet.add (hoverWhile ([&] { return arrived() >= count; }, count * 1000000LL + 20000000));
        waitQuiet (2500, count * 1000 + 20000);

        // A dump whose end the device dropped is handed over only when the next one begins: one that
        // began before the question belongs to the dump set before.
        std::vector<LoggedMessage> dumps;
        for (auto& m : incomingSince (ilog, from))
            if (startsProgramDump (m.bytes) && m.startedUs > askedAt)
                dumps.push_back (m);
        int intact = 0;
        std::string wrong;
        for (size_t k = 0; k < dumps.size(); ++k)
        {
            const int p = dumps[k].bytes[programByte];
            const bool inOrder = p == first + static_cast<int> (k);
            if (inOrder && dumps[k].bytes == logic.programs()[static_cast<size_t> (p)])
                ++intact;
            else if (wrong.empty())
                wrong = "; the first bad one: dump " + std::to_string (k + 1) + " for program " + std::to_string (p) + ", "
                        + std::to_string (dumps[k].bytes.size()) + " bytes" + (inOrder ? "" : ", out of order");
        }
        const long long dropped = ilog.droppedBytes - droppedBefore;
        if (withPresets)
            presetsDumpIntact = static_cast<int> (dumps.size()) == count ? intact : 0;
        char b[200];
        if (! dumps.empty())
        {
            std::snprintf (b, sizeof (b), "%s%s: %d dumps in %.1f s from the answer to the last one's end (first to last %.1f s)",
                           times.empty() ? "" : "; ", which.c_str(), static_cast<int> (dumps.size()),
                           (dumps.back().timeUs - answeredAt) / 1e6, (dumps.back().timeUs - dumps.front().startedUs) / 1e6);
            times += b;
        }
        if (intact != count || static_cast<int> (dumps.size()) != count || dropped != 0)
        {
            std::snprintf (b, sizeof (b), "%s%s: %d of %d dumps intact (%d arrived at all), %lld bytes dropped by the device",
                           failures.empty() ? "" : "; ", which.c_str(), intact, count, static_cast<int> (dumps.size()), dropped);
            failures += b + wrong;
        }
        if (! visibleWindows ("^Dump Kestrane Soundset$").empty())
            failures += (failures.empty() ? "" : "; ") + which + ": the question is still on the screen";
    }
    return failures.empty() ? pass (times) : fail (failures + " [" + times + "]");
}

// Ten Down presses in under two seconds, each selecting the next sound, which goes to the edit
// buffer: the last one to arrive is the last one selected, whole.
Session::Result Session::quickSelection()
{
    // The list takes the keyboard focus from the click only while its window has the X focus.
    xdotool ({ "windowfocus", "--sync", windowId });
    const auto why = selectRow (0);
    if (! why.empty())
        return fail (why);

    const size_t from = ilog.messages.size();
    const long long droppedBefore = ilog.droppedBytes;
    std::vector<std::string> keys { "key", "--delay", "80" };
    for (int i = 0; i < 10; ++i)
        keys.push_back ("Down");
    const long long t0 = monotonicUs();
    xdotool (keys);
    const long long pressedIn = monotonicUs() - t0;
    xEventSent();
    waitFor ([&] { return ! received (from, startsEditBuffer).empty(); }, 20000);
    waitQuiet (2500, 40000);

    const auto dumps = received (from, startsEditBuffer);
    int intact = 0;
    for (auto& d : dumps)
        intact += d.size() == soundDumpLength && checksumOk (d) && d.back() == 0xF7;
    const long long dropped = ilog.droppedBytes - droppedBefore;
    char counts[200];
    std::snprintf (counts, sizeof (counts), "ten presses in %.2f s; %d of %zu edit-buffer dumps intact, %lld bytes dropped by the device",
                   pressedIn / 1e6, intact, dumps.size(), dropped);
    if (pressedIn >= 2000000)
        return fail (std::string ("the presses took too long: ") + counts);
    if (dumps.empty())
        return fail (std::string ("no edit-buffer dump after the presses: ") + counts);
    const auto wrong = checkEditBuffer (dumps.back(), 10);
    if (! wrong.empty())
        return fail ("the last edit-buffer dump is not sound 10 whole: " + wrong + "; " + counts);
    if (dropped != 0)
        return fail (std::string ("the last one is sound 10, but ") + counts);
    return pass (std::string ("the last is sound 10, intact; ") + counts);
}

// The instrument's user picks program 5 and turns a knob (CC 70) 50 ms later, before the editor's
// tick has taken the Program Change: the value belongs to sound 5, not to the sound selected before.
// Checked on the instrument's side from edit-buffer dumps of both sounds afterwards.
Session::Result Session::programChangeThenKnob()
{
    constexpr int before = 12, program = 5;
    const auto why = selectRow (before);
    if (! why.empty())
        return fail (why);

    const MidiBytes& own = logic.programs()[static_cast<size_t> (program)];
    int value = (own[layerShortByte] + 37) & 0x7F;
    if (value == logic.programs()[static_cast<size_t> (before)][layerShortByte])
        value = (value + 1) & 0x7F;
    size_t from = ilog.messages.size();
    if (! cue (cuePath, "pc " + std::to_string (program)))
        return fail ("cannot cue the instrument");
    sleepMs (50);
    cue (cuePath, "cc " + std::to_string (layerCc) + " " + std::to_string (value));
    waitFor ([&] { return ! received (from, startsEditBuffer).empty(); }, 20000);
    waitQuiet (2000, 20000);
    const auto afterTick = received (from, startsEditBuffer);
    std::string tick = afterTick.empty() ? "no edit-buffer dump after the Program Change"
                                         : "the dump after the tick held CC 70 = " + std::to_string (afterTick.back()[layerShortByte]);

    // Sound 5 with the knob's value: word 19 and CC 70's slot (bits 23-18 in one byte, 17-16 in the
    // next one's bits 5-4).
    MidiBytes expected = own;
    expected[programByte] = 127;
    expected[layerShortByte] = static_cast<uint8_t> (value);
    expected[layerSlotByte] = static_cast<uint8_t> (value >> 2);
    expected[layerSlotByte + 1] = static_cast<uint8_t> (((value & 3) << 4) | (own[layerSlotByte + 1] & 0x0F));
    expected = withChecksum (expected);

    from = ilog.messages.size();
    clickUserRow (before);
    const auto r = expectEditBuffers (from, before, 1, 20000);
    if (! r.failure.empty())
    {
        const auto got = received (from, isEditBuffer);
        const int held = got.empty() ? -1 : got.back()[layerShortByte];
        return fail ("sound " + std::to_string (before) + ", selected when the knob turned, came back with CC 70 = "
                     + std::to_string (held) + (held == value ? ", the knob's value" : "") + " (its own: "
                     + std::to_string (logic.programs()[static_cast<size_t> (before)][layerShortByte]) + "): " + r.failure + "; " + tick);
    }
    from = ilog.messages.size();
    clickUserRow (program);
    waitFor ([&] { return ! received (from, isEditBuffer).empty(); }, 20000);
    waitQuiet (2000, 20000);
    const auto got = received (from, isEditBuffer);
    if (got.size() != 1)
        return fail ("row " + std::to_string (program) + " came " + std::to_string (got.size()) + " times as the edit buffer");
    if (got[0] != expected)
        return fail ("sound " + std::to_string (program) + " holds CC 70 = " + std::to_string (got[0][layerShortByte]) + ", not the knob's "
                     + std::to_string (value) + (got[0][layerShortByte] == own[layerShortByte] ? " (its own value)" : "") + "; " + tick);
    return pass ("CC 70 = " + std::to_string (value) + " sits in sound " + std::to_string (program) + ", sound "
                 + std::to_string (before) + " unchanged; " + tick);
}

//==============================================================================
// The look of "Up" with the pointer off and on it, read from the screen once the window is quiet.
bool Session::learnHoverLooks (std::string& why)
{
    if (screen.width() == 0 && ! screen.open ("/tmp/xvfb/Xvfb_screen0"))
    {
        why = "cannot read the screen from /tmp/xvfb/Xvfb_screen0";
        return false;
    }
    const Rect b = inPage (place::up).offset (window.x, window.y);
    auto lookAfterMove = [&] (const Rect& to) {
        xdotool ({ "mousemove", "--sync", std::to_string (window.x + to.cx()), std::to_string (window.y + to.cy()) });
        xEventSent();
        uint64_t last = 0;
        // Settled: the same for 300 ms.
        for (int stable = 0, tries = 0; stable < 15 && tries < 200; ++tries)
        {
            sleepMs (20);
            const uint64_t d = screen.digest (b.x, b.y, b.w, b.h);
            stable = d == last ? stable + 1 : 0;
            last = d;
        }
        return last;
    };
    upLook = lookAfterMove (inPage (place::besideUp));
    upHoverLook = lookAfterMove (inPage (place::up));
    const uint64_t offAgain = lookAfterMove (inPage (place::besideUp));
    if (upLook == upHoverLook || offAgain != upLook)
    {
        why = "\"Up\" shows no hover look of its own on the screen";
        return false;
    }
    return true;
}

Session::Answers Session::hoverWhile (const std::function<bool()>& done, long long limitUs)
{
    Answers a;
    std::string why;
    if (! learnHoverLooks (why))
    {
        a.why = why;
        return a;
    }
    const Rect b = inPage (place::up).offset (window.x, window.y);
    const long long end = monotonicUs() + limitUs;
    bool on = false;
    while (! done() && monotonicUs() < end)
    {
        on = ! on;
        const Rect to = inPage (on ? place::up : place::besideUp);
        xdotool ({ "mousemove", std::to_string (window.x + to.cx()), std::to_string (window.y + to.cy()) });
        xEventSent();
        const long long movedAt = monotonicUs();
        const uint64_t wanted = on ? upHoverLook : upLook;
        long long shownAfter = -1;
        while (monotonicUs() - movedAt < 2000000)
        {
            if (screen.digest (b.x, b.y, b.w, b.h) == wanted)
            {
                shownAfter = monotonicUs() - movedAt;
                break;
            }
            ilog.poll();
            blog.poll();
            sleepMs (3);
        }
        ++a.moves;
        if (shownAfter < 0)
        {
            ++a.unseen;
            shownAfter = 2000000;
        }
        a.late += shownAfter > answerLimitUs;
        a.longestUs = std::max (a.longestUs, shownAfter);
        while (monotonicUs() - movedAt < 200000)
        {
            ilog.poll();
            blog.poll();
            sleepMs (5);
        }
    }
    // The pointer goes back beside the button, off every control.
    const Rect off = inPage (place::besideUp);
    xdotool ({ "mousemove", std::to_string (window.x + off.cx()), std::to_string (window.y + off.cy()) });
    xEventSent();
    return a;
}

Session::Result Session::windowAnswers (const char* during)
{
    const Answers& a = std::string (during) == "request" ? duringRequest : duringDumpSet;
    if (! a.why.empty())
        return fail (a.why);
    char b[200];
    std::snprintf (b, sizeof (b), "%d moves onto \"Up\" and off it; the longest answer %.0f ms", a.moves, a.longestUs / 1000.0);
    if (a.moves < 10)
        return fail (std::string ("too few moves to tell: ") + b);
    if (a.late != 0)
    {
        char c[120];
        std::snprintf (c, sizeof (c), "; %d shown later than %lld ms, %d not within 2 s", a.late, answerLimitUs / 1000, a.unseen);
        return fail (b + std::string (c));
    }
    return pass (b);
}

// "ReqSet" over the wire, the pointer moving all along: the 28 answers come in 12 s, and the
// editor sends the current sound back once, when its own dump has come.
Session::Result Session::wireRequest()
{
    requestRecord = {};
    size_t from = ilog.messages.size();
    click (inPage (place::reqSet));
    auto sentDumps = [&] {
        int n = 0;
        for (size_t i = from; i < ilog.messages.size(); ++i)
            n += ! ilog.messages[i].incoming && isSoundDump (ilog.messages[i].bytes);
        return n;
    };
    if (! waitFor ([&] { return ! received (from, [] (const MidiBytes& m) { return m == soundRequest; }).empty(); }, 20000))
        return fail ("no sound request arrived after a click on \"ReqSet\" (received: " + receivedList (from) + ")");
    // Until the last answer has left the instrument's cable.
    duringRequest = hoverWhile ([&] { return sentDumps() == 28; }, 60000000);
    waitFor ([] { return false; }, 500);
    waitQuiet (2000, 30000);
    if (sentDumps() != 28)
        return fail ("the instrument sent " + std::to_string (sentDumps()) + " of its 28 dumps");
    const auto requests = received (from, [] (const MidiBytes& m) { return m == soundRequest; });
    if (requests.size() != 1)
        return fail (std::to_string (requests.size()) + " sound requests for one click");

    requestRecord.ran = true;
    requestRecord.answers = 28;
    for (size_t i = from; i < ilog.messages.size(); ++i)
    {
        const auto& m = ilog.messages[i];
        if (! m.incoming && isSoundDump (m.bytes))
            requestRecord.lastAnswerEndUs = m.timeUs + static_cast<long long> (m.bytes.size()) * 1000000 / cableBytesPerSecond;
        if (m.incoming)
        {
            requestRecord.lastSentUs = m.startedUs;
            requestRecord.editBuffersBack += startsEditBuffer (m.bytes);
        }
    }

    from = ilog.messages.size();
    clickUserRow (5);
    auto r = expectEditBuffers (from, 5, 1, 20000);
    if (! r.failure.empty())
        return fail ("after a click on user row 5: " + r.failure);
    return pass ("28 dumps sent; row 5 came back as the edit buffer");
}

// All 28 answered sounds were stored intact (the dump set with presets afterwards sent each back
// byte for byte), at most 2 edit-buffer dumps went back, and the editor had sent its last message
// within 1 s after the last answer.
Session::Result Session::requestAnswer()
{
    const auto& r = requestRecord;
    if (! r.ran)
        return fail ("the request did not run");
    char b[240];
    const double lastAfter = (r.lastSentUs - r.lastAnswerEndUs) / 1e6;
    std::snprintf (b, sizeof (b), "%d edit-buffer dumps sent back; the last message %.2f s %s the last answer; %d of 28 stored intact",
                   r.editBuffersBack, std::abs (lastAfter), lastAfter >= 0 ? "after" : "before", presetsDumpIntact);
    if (presetsDumpIntact != 28)
        return fail (std::string (b) + (presetsDumpIntact < 0 ? " (the dump set with presets did not run)" : ""));
    if (r.editBuffersBack > 2 || lastAfter > 1.0)
        return fail (b);
    return pass (b);
}

// The instrument's client goes after 5 of the 28 dumps (the USB cable out: its card leaves) and
// comes back at the same address 3 s later: found again within 2 s of its return, the window shows
// the dump set cut short, nothing of it reaches the instrument that came back, and a selection
// afterwards reaches it intact.
Session::Result Session::replugDuringDumpSet()
{
    const std::string driver = "/sys/bus/platform/drivers/snd_virmidi/";
    auto writeTo = [] (const std::string& file, const std::string& what) {
        const int fd = ::open (file.c_str(), O_WRONLY);
        const bool ok = fd >= 0 && write (fd, what.data(), what.size()) == static_cast<ssize_t> (what.size());
        if (fd >= 0)
            ::close (fd);
        return ok;
    };
    const auto portsBefore = sequencerOutputs();
    const int at = indexOf (portsBefore, "VirMIDI");
    const size_t from = ilog.messages.size();
    const long long askedAt = monotonicUs();
    const auto why = askDumpSet (true);
    if (! why.empty())
        return fail (why);
    auto programDumps = [&] (size_t since) {
        int n = 0;
        for (auto& m : incomingSince (ilog, since))
            n += startsProgramDump (m.bytes) && m.startedUs > askedAt;
        return n;
    };
    if (! waitFor ([&] { return programDumps (from) >= 5; }, 20000))
        return fail ("5 dumps did not arrive (" + std::to_string (programDumps (from)) + ")");

    instrument.kill();
    if (! writeTo (driver + "unbind", "snd_virmidi.0"))
        return fail ("cannot unplug the raw MIDI device (" + driver + "unbind)");
    const long long goneAt = monotonicUs();
    waitFor ([&] { return monotonicUs() - goneAt >= 3000000; }, 4000);
    sleepMs (300);  // the readout has been drawn by now
    const Rect r = place::readout.offset (window.x, window.y);
    const int warned = screen.countNear (r.x, r.y, r.w, r.h, 0xF0643C, 40);
    runCommand ({ "cp", "/tmp/xvfb/Xvfb_screen0", opt.out + "/alsa-session-" + opt.mode + "-cut-short.xwd" }, 20000);

    // Back when its card is: the instrument behind it starts reading at once.
    if (! writeTo (driver + "bind", "snd_virmidi.0"))
        return fail ("cannot plug the raw MIDI device back (" + driver + "bind)");
    const long long backAt = monotonicUs();
    const size_t backFrom = ilog.messages.size();
    if (! startInstrument (instrument, ilog, cuePath, false))
        return fail ("the instrument did not come back");
    const auto portsAfter = sequencerOutputs();
    const bool sameAddress = indexOf (portsAfter, "VirMIDI") == at;
    const bool found = waitFor ([&] { return ! received (backFrom, [] (const MidiBytes& m) { return m == globalRequest; }).empty(); }, 10000);
    const double foundAfter = (monotonicUs() - backAt) / 1e6;
    waitQuiet (2000, 20000);
    const int replayed = programDumps (backFrom);

    std::string failures;
    if (warned < 20)
        failures += "; the readout did not show the transfer cut short";
    if (! found)
        failures += "; not found again within 10 s of its return";
    else if (foundAfter > 2.0)
        failures += "; found again only " + seconds (static_cast<long long> (foundAfter * 1e6)) + " after its return";
    if (replayed != 0)
        failures += "; " + std::to_string (replayed) + " dumps of the cut set reached it after its return";
    if (! sameAddress)
        failures += "; it came back at another place among the outputs";
    if (failures.empty())
    {
        const auto why9 = selectRow (9);
        if (! why9.empty())
            failures += "; afterwards, " + why9;
    }
    char b[160];
    std::snprintf (b, sizeof (b), "gone after %d dumps, back 3 s later at output %d, found again %.1f s after its return, the readout in the warning colour",
                   programDumps (from) - replayed, at, foundAfter);
    return failures.empty() ? pass (b) : fail (failures.substr (2) + " [" + b + "]");
}

Session::Result Session::screenshot()
{
    const std::string to = opt.out + "/alsa-session-" + opt.mode + ".xwd";
    if (runCommand ({ "cp", "/tmp/xvfb/Xvfb_screen0", to }, 20000) != 0)
        return fail ("cannot copy /tmp/xvfb/Xvfb_screen0");
    return pass (to);
}

int Session::run()
{
    mkdir (work.c_str(), 0755);
    unlink ((work + "/instrument.log").c_str());
    unlink ((work + "/bystander.log").c_str());
    const long long t0 = monotonicUs();
    std::printf ("== session over %s\n", wire ? "snd-virmidi's raw MIDI device, read as a MIDI cable drains"
                                        : raw ? "snd-virmidi's raw MIDI device" : "the instrument's own sequencer port");
    std::fflush (stdout);

    step ("start", true, [&] { return start(); });
    if (wire)
    {
        step ("late-instrument", false, [&] { return lateInstrument(); });
        if (device < 0 && blocked.empty())
            blocked = "the instrument was never found";
        step ("request", true, [&] { return wireRequest(); });
        step ("window-answers-during-request", false, [&] { return windowAnswers ("request"); });
        step ("dump-set", false, [&] { return wireDumpSet(); });
        step ("window-answers-during-dump-set", false, [&] { return windowAnswers ("dump set"); });
        step ("request-answer", false, [&] { return requestAnswer(); });
        step ("replug-during-dump-set", false, [&] { return replugDuringDumpSet(); });
        step ("quick-selection", false, [&] { return quickSelection(); });
        step ("program-change-then-knob", false, [&] { return programChangeThenKnob(); });
    }
    else
    {
        step ("probe", true, [&] { return probe(); });
        step ("request", false, [&] { return request(); });
        step ("dump-set", false, [&] { return dumpSet(); });
        step ("program-change-content-page", false, [&] { return programChange (1); });
        step ("knob", false, [&] { return knob(); });
        step ("program-change-model-page", false, [&] { return programChange (2); });
        step ("second-client", false, [&] { return secondClient(); });
        step ("instrument-restart", false, [&] { return restart(); });
    }
    blocked.clear();
    step ("screenshot", false, [&] { return screenshot(); });

    editor.stop (5000);
    cue (cuePath, "quit");
    instrument.stop (5000);
    bystander.kill();
    for (auto* f : { "instrument.log", "bystander.log" })
        runCommand ({ "cp", work + "/" + f, opt.out + "/alsa-" + opt.mode + "-" + f }, 20000);
    for (auto& s : nudgesThatHelped)
        std::printf ("NOTE %s/%s: a click took effect only when the pointer moved once more\n", opt.mode.c_str(), s.c_str());
    std::printf ("TIME %s session %.1f s, %d failed\n", opt.mode.c_str(), (monotonicUs() - t0) / 1e6, failures);
    std::fflush (stdout);
    return failures;
}
} // namespace

int main (int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::string a = argv[i];
        if (a == "--mode")
            o.mode = argv[i + 1];
        else if (a == "--editor")
            o.editor = argv[i + 1];
        else if (a == "--instrument")
            o.instrument = argv[i + 1];
        else if (a == "--out")
            o.out = argv[i + 1];
    }
    if ((o.mode != "seq" && o.mode != "virmidi" && o.mode != "wire") || o.editor.empty() || o.instrument.empty() || o.out.empty())
    {
        std::fprintf (stderr, "usage: alsa_session --mode seq|virmidi|wire --editor KEditor --instrument alsa_instrument --out DIR\n");
        return 2;
    }
    Session s (o);
    return std::min (s.run(), 100);
}
