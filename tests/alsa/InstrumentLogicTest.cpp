// The instrument of the ALSA sessions without ALSA: what it answers, what its sounds are, and how
// it cuts the byte stream of a raw MIDI device into messages.
#include <gtest/gtest.h>
#include <cstring>
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "tests/alsa/InstrumentLogic.h"

namespace
{
bool sumsToZero (const MidiBytes& m, size_t first, size_t last)
{
    unsigned sum = 0;
    for (size_t i = first; i <= last; ++i)
        sum += m[i];
    return (sum & 0x7F) == 0;
}

struct Piece
{
    std::vector<MidiBytes> messages;
    std::vector<int> pieces;
};

Piece feedInPieces (const MidiBytes& stream, size_t pieceSize)
{
    MidiStreamParser parser;
    Piece out;
    for (size_t at = 0; at < stream.size(); at += pieceSize)
        parser.feed (stream.data() + at, std::min (pieceSize, stream.size() - at), [&] (const MidiBytes& m, int n, long long) {
            out.messages.push_back (m);
            out.pieces.push_back (n);
        });
    return out;
}

MidiBytes concat (std::initializer_list<MidiBytes> parts)
{
    MidiBytes r;
    for (auto& p : parts)
        r.insert (r.end(), p.begin(), p.end());
    return r;
}
} // namespace

TEST (AlsaInstrument, AnswersAProbeNamingTheOutputItCameOn)
{
    const InstrumentLogic kestrane;
    for (int d : { 0, 1, 2, 5, 7 })
    {
        const auto a = kestrane.answer ({ 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (d), 0x7A, 0xF7 });
        ASSERT_EQ (a.size(), 1u) << d;
        EXPECT_EQ (a[0], MidiBytes ({ 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (d), 0x7B, 0xF7 })) << d;
    }
}

TEST (AlsaInstrument, AnswersTheGlobalRequestWithAGlobalDumpOnAChannelOfItsOwn)
{
    const InstrumentLogic kestrane;
    const auto a = kestrane.answer ({ 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 });
    ASSERT_EQ (a.size(), 1u);
    const MidiBytes& g = a[0];
    ASSERT_EQ (g.size(), 23u);
    EXPECT_EQ (MidiBytes (g.begin(), g.begin() + 5), MidiBytes ({ 0xF0, 0x7D, 0x2B, 0x00, 0x12 }));
    EXPECT_EQ (g[22], 0xF7);
    // Channel byte: 0..15 a channel, 16 OMNI; the editor leaves CCs on 0xB0 for 0 and 16.
    EXPECT_EQ (g[7], InstrumentLogic::channel);
    EXPECT_NE (g[7], 0);
    EXPECT_LT (g[7], 16);
    unsigned sum = 0;
    for (int i = 1; i <= 19; ++i)
        sum += g[static_cast<size_t> (i)];
    EXPECT_EQ (g[21], (0u - sum) & 0x7F);
}

// The session compares what the editor sends back with these dumps byte for byte, so each must
// come through the editor's parse and encode unchanged but for the program and checksum bytes.
TEST (AlsaInstrument, AnswersTheSoundRequestWith28DumpsThatAreNotTheFactorySounds)
{
    const InstrumentLogic kestrane;
    const auto a = kestrane.answer ({ 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 });
    ASSERT_EQ (a.size(), 28u);
    for (int p = 0; p < 28; ++p)
    {
        const MidiBytes& d = a[static_cast<size_t> (p)];
        ASSERT_EQ (d.size(), 1330u) << p;
        EXPECT_EQ (d[0], 0xF0);
        EXPECT_EQ (d[4], 0x10);
        EXPECT_EQ (d[5], p);
        EXPECT_EQ (d[1329], 0xF7);
        EXPECT_TRUE (sumsToZero (d, 1, 1328)) << p;
        EXPECT_NE (0, std::memcmp (d.data() + 6, factorySoundSet + p * 1330 + 6, 1322)) << p;

        SoundRecord r;
        initSoundRecord (&r);
        ASSERT_EQ (parseSoundDump (&r, d.data()), p);
        MidiBytes again (1330);
        encodeSoundDump (&r, again.data(), 127);
        again[5] = d[5];
        again[1328] = d[1328];
        EXPECT_EQ (again, d) << "program " << p;
    }
}

// The session drags a Model knob on program 5's page and has a Program Change to program 3 show
// another engine's page.
TEST (AlsaInstrument, Program5IsAModelSoundAndProgram3IsNot)
{
    const InstrumentLogic kestrane;
    EXPECT_EQ (kestrane.programs()[5][24], 0);
    EXPECT_NE (kestrane.programs()[3][24], 0);
}

TEST (AlsaInstrument, TakesEverythingElseInSilence)
{
    const InstrumentLogic kestrane;
    MidiBytes editBuffer = kestrane.programs()[4];
    editBuffer[5] = 127;
    const std::vector<MidiBytes> silent = {
        editBuffer, kestrane.programs()[9], kestrane.globalDump(), { 0xB5, 0x20, 0x40 }, { 0xC0, 0x03 },
        { 0xF0, 0x7D, 0x2B, 0x00, 0x7B, 0xF7 }, { 0xF0, 0x7D, 0x2C, 0x00, 0x7A, 0xF7 }, { 0xF0, 0x7D, 0x2B, 0x00, 0x7A }
    };
    for (auto& m : silent)
        EXPECT_TRUE (kestrane.answer (m).empty()) << m.size() << " bytes";
}

TEST (AlsaInstrument, SendsItsOwnProgramChangesAndCcsOnItsChannel)
{
    EXPECT_EQ (InstrumentLogic::programChange (3), MidiBytes ({ 0xC5, 0x03 }));
    EXPECT_EQ (InstrumentLogic::controlChange (32, 100), MidiBytes ({ 0xB5, 0x20, 0x64 }));
}

TEST (AlsaInstrumentStream, ASysExInPiecesComesOutWhole)
{
    const InstrumentLogic kestrane;
    const MidiBytes& dump = kestrane.programs()[7];
    const struct { size_t piece; int pieces; } cases[] = { { 1330, 1 }, { 256, 6 }, { 1329, 2 }, { 1, 1330 } };
    for (auto c : cases)
    {
        const auto got = feedInPieces (dump, c.piece);
        ASSERT_EQ (got.messages.size(), 1u) << c.piece;
        EXPECT_EQ (got.messages[0], dump) << c.piece;
        EXPECT_EQ (got.pieces[0], c.pieces) << c.piece;
    }
}

TEST (AlsaInstrumentStream, CutsTheStreamIntoMessages)
{
    const struct
    {
        const char* what;
        MidiBytes stream;
        std::vector<MidiBytes> messages;
    } cases[] = {
        { "real-time bytes inside a SysEx and between messages", { 0xF0, 0x7D, 0xF8, 0x2B, 0xF7, 0xFE, 0xC5, 0xFA, 0x03 },
          { { 0xF0, 0x7D, 0x2B, 0xF7 }, { 0xC5, 0x03 } } },
        { "running status", { 0xB5, 0x20, 0x01, 0x20, 0x02, 0xC5, 0x03, 0x04 },
          { { 0xB5, 0x20, 0x01 }, { 0xB5, 0x20, 0x02 }, { 0xC5, 0x03 }, { 0xC5, 0x04 } } },
        { "a SysEx cut short by a CC", { 0xF0, 0x7D, 0x2B, 0x00, 0xB0, 0x07, 0x64 },
          { { 0xF0, 0x7D, 0x2B, 0x00 }, { 0xB0, 0x07, 0x64 } } },
        { "data without a status, and an F7 without a SysEx", { 0x10, 0x20, 0xF7, 0xB0, 0x07, 0x64 }, { { 0xB0, 0x07, 0x64 } } },
        { "a SysEx ends running status", { 0xB5, 0x20, 0x01, 0xF0, 0x01, 0xF7, 0x20, 0x02 },
          { { 0xB5, 0x20, 0x01 }, { 0xF0, 0x01, 0xF7 } } },
    };
    for (auto& c : cases)
        for (size_t piece : { size_t (1), size_t (3), size_t (64) })
            EXPECT_EQ (feedInPieces (c.stream, piece).messages, c.messages) << c.what << ", pieces of " << piece;
}

TEST (AlsaInstrumentStream, TwoDumpsBackToBackInOddPieces)
{
    const InstrumentLogic kestrane;
    const auto stream = concat ({ kestrane.programs()[1], kestrane.programs()[2] });
    const auto got = feedInPieces (stream, 100);
    ASSERT_EQ (got.messages.size(), 2u);
    EXPECT_EQ (got.messages[0], kestrane.programs()[1]);
    EXPECT_EQ (got.messages[1], kestrane.programs()[2]);
}

TEST (AlsaInstrumentStream, AMessageCarriesTheTimeOfItsFirstPiece)
{
    MidiStreamParser parser;
    std::vector<long long> started;
    auto take = [&] (const MidiBytes&, int, long long t) { started.push_back (t); };
    const MidiBytes a = { 0xF0, 0x01, 0x02 }, b = { 0x03, 0xF7, 0xB5, 0x20 }, c = { 0x01 };
    parser.feed (a.data(), a.size(), take, 100);
    parser.feed (b.data(), b.size(), take, 200);
    parser.feed (c.data(), c.size(), take, 300);
    EXPECT_EQ (started, (std::vector<long long> { 100, 200 }));
}
