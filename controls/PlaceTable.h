#pragma once
// Where each image-drawn button and knob sits, which film strip skins it and how many frames the
// strip holds. Creators walk their slice in order; a row's place in its slice is its number.
#include <cstdint>

struct PlaceRow
{
    const char* name;
    const char* imageName;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t imageHeight;  // height x frames; nothing draws by it
    int32_t frames;       // 3 push, 4 toggle, 129 knob
};

enum { placeTableRows = 65 };
extern const PlaceRow placeTable[placeTableRows];

struct PlaceSlice
{
    int first;
    int count;
    const PlaceRow& operator[] (int sliceIndex) const { return placeTable[first + sliceIndex]; }
    const PlaceRow* row (int sliceIndex) const { return &placeTable[first + sliceIndex]; }
};

constexpr PlaceSlice placeMainButtons    { 0, 4 };   // main component: Global, Content, Sound, Effects
constexpr PlaceSlice placeEngineButtons  { 4, 3 };   // engine selector: Model, FM, Sample
constexpr PlaceSlice placeEffectsButtons { 7, 11 };  // effects page switches (5 is the Echo/Reverb selector)
constexpr PlaceSlice placeContentButtons { 18, 10 }; // content page push buttons
constexpr PlaceSlice placeModelKnobs     { 28, 15 }; // Model page
constexpr PlaceSlice placeEffectsKnobs   { 43, 20 }; // effects page
constexpr PlaceSlice placeGlobalKnobs    { 63, 2 };  // Global dialog: Transpose, MasterTune

// The row of that name, or nullptr.
const PlaceRow* findPlaceRow (const char* name);
