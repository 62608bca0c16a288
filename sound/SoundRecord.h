#pragma once
// One sound of the instrument as it travels in a dump, plus what the editor keeps beside it,
// and the list of sounds that the pages show.

#include <cstdint>
#include <vector>
#include <juce_core/juce_core.h>

struct SoundRecord
{
    static constexpr int numWords = 2046;

    // Word numbers of the fields.
    enum Word : int
    {
        contentFingerprint = 0,   // 0 = low half, 1 = high half; both 0 = not computed
        name               = 2,   // 2..9: text name, at most 18 characters and a NUL
        selected           = 10,  // lowest byte only
        orderIndex         = 11,  // scratch for list reordering
        packedName         = 12,  // 12..17: 18 seven-bit characters, three per word
        shortValues        = 18,  // 18..37: seven-bit values
        engineType         = 18,  // 0 Model, 1 Sample, 2 FM (CC 22)
        sampleNumber       = 19,  // CC 70
        cc71Value          = 26,  // CC 71
        effectSwitchReset  = 37,  // set to 0 whenever the effect mask changes
        rawWords           = 38,  // 38..358: 24-bit parameter words
        effectMask         = 38,  // effect-enable mask in bits 2..8
        engineBlock        = 80,  // 80..205: what a layer copy moves into a second layer
        cacheMarker        = 112, // cacheMarkerValue when the editor cache is valid
        editorCache        = 113, // 113..144: 32 words of three one-byte CC slots
        layerName          = 206, // 206..211: packed like packedName
        layerEngineType    = 212,
        layerSampleNumber  = 213,
        layerMix           = 219, // CC 73; 0 = no second layer
        layerEngineBlock   = 233, // 233..358: the second layer's engine parameters
        reserved           = 359, // 359..1011 cleared by every parse
        recordMarker       = 2044
    };

    static constexpr int numShortValues = 20;
    static constexpr int numRawWords = 321;
    static constexpr int editorCacheWords = 32;
    static constexpr int fingerprintFirst = 12;  // words 12..358 are fingerprinted
    static constexpr int fingerprintLast = 358;
    static constexpr uint32_t cacheMarkerValue = 0xCEEDEE;
    static constexpr uint32_t recordMarkerValue = 0xFEEDF00D;

    uint32_t w[numWords];

    uint32_t& operator[] (int word) noexcept             { return w[word]; }
    uint32_t operator[] (int word) const noexcept        { return w[word]; }

    // The text name (words 2..9), NUL-terminated.
    char* nameText() noexcept                            { return reinterpret_cast<char*> (w + name); }
    const char* nameText() const noexcept                { return reinterpret_cast<const char*> (w + name); }

    // The selection flag is read on the MIDI input thread too, hence the atomic access.
    bool isSelected() const noexcept   { return (__atomic_load_n (&w[selected], __ATOMIC_RELAXED) & 0xFFu) != 0; }
    void setSelected (bool on) noexcept
    {
        const uint32_t old = __atomic_load_n (&w[selected], __ATOMIC_RELAXED);
        __atomic_store_n (&w[selected], (old & ~0xFFu) | (on ? 1u : 0u), __ATOMIC_RELAXED);
    }

    int32_t getOrderIndex() const noexcept               { return static_cast<int32_t> (w[orderIndex]); }
    void setOrderIndex (int32_t i) noexcept              { w[orderIndex] = static_cast<uint32_t> (i); }

    uint32_t fingerprintLow() const noexcept             { return w[contentFingerprint]; }
    uint32_t fingerprintHigh() const noexcept            { return w[contentFingerprint + 1]; }
};

static_assert (sizeof (SoundRecord) == SoundRecord::numWords * 4, "SoundRecord is a plain block of words");

// An ordered list of records held by value, and the list state that the list pages use.
struct SoundVector
{
    std::vector<SoundRecord> records;
    int32_t current = -1;       // index last found by findCurrent; -1 = none
    uint8_t isUserList = 0;     // 1 for the user list, 0 for the library
    int32_t dropRow = -1;       // row under a drag in progress; -1 = none
    int32_t dropX = 0;          // horizontal drop position
    uint8_t dropOnLayer = 0;    // the drag is over a row's layer part

    int size() const noexcept                            { return static_cast<int> (records.size()); }
    SoundRecord& operator[] (int i) noexcept             { return records[static_cast<size_t> (i)]; }
    const SoundRecord& operator[] (int i) const noexcept { return records[static_cast<size_t> (i)]; }
    void append (const SoundRecord& r)                   { records.push_back (r); }

    // Index of the first selected record, stored as current; -1 with none (current left as it was).
    // Also called on the MIDI input thread: it only reads selection flags and writes current.
    int32_t findCurrent() noexcept;
    int32_t getCurrent() const noexcept                  { return __atomic_load_n (&current, __ATOMIC_RELAXED); }
};

extern const uint32_t factoryFingerprints[28 * 2];  // per sound: low word, then high word
extern const char* const factoryNames[28];
extern const char* const sampleNames[10];

void initSoundRecord (SoundRecord* record);
juce::String getLayerName (const SoundRecord* record);
void setLayerName (SoundRecord* record, const char* text);
void setSoundName (SoundRecord* record, const char* text);
void copyIntoLayer (SoundRecord* dst, const SoundRecord* src);
int containsFingerprint (const SoundVector* list, const uint32_t fingerprint[2]);
void computeFingerprint (SoundRecord* record);
// The fingerprint of the record's words as they are now (high half in the top 32 bits); the
// record is not written.
uint64_t fingerprintOfContent (const SoundRecord* record);
void applyFactoryNames (SoundRecord* record);

// copyIntoLayer asks the content page to refresh through this; the app sets it (null = nothing).
using ContentPageRefreshHook = void (*)();
extern ContentPageRefreshHook contentPageRefreshHook;
