#include "controls/PlaceTable.h"
#include <cstring>

#define KE_KNOB1(name, x, y) { name, "Knob-1.png", x, y, 83, 83, 10707, 129 }

const PlaceRow placeTable[placeTableRows] = {
    // Main buttons, in main-component coordinates.
    { "Global",  "Button-1.png", 120, 708, 44, 51, 204, 4 },
    { "Content", "Button-2.png", 121, 17, 50, 42, 168, 4 },
    { "Sound",   "Button-2.png", 201, 17, 50, 42, 168, 4 },
    { "Effects", "Button-2.png", 281, 17, 50, 42, 168, 4 },
    // Engine selector.
    { "Model",  "Button-1.png", 0, 0, 44, 51, 204, 4 },
    { "FM",     "Button-1.png", 110, 0, 44, 51, 204, 4 },
    { "Sample", "Button-1.png", 220, 0, 44, 51, 204, 4 },
    // Effects page switches.
    { "Stereo",          "Button-1.png", 368, 51, 44, 51, 204, 4 },
    { "CHORUS_Active",   "Button-1.png", 35, 211, 44, 51, 204, 4 },
    { "FLANGER_Active",  "Button-1.png", 316, 211, 44, 51, 204, 4 },
    { "PHASER_Active",   "Button-1.png", 597, 211, 44, 51, 204, 4 },
    { "ECHOVERB_Active", "Button-1.png", 35, 367, 44, 51, 204, 4 },
    { "ECHOVERB_Select", "Button-1.png", 119, 367, 44, 51, 204, 4 },
    { "AUTOWAH_Active",  "Button-1.png", 527, 367, 44, 51, 204, 4 },
    { "AUTOWAH_Auto",    "Button-1.png", 597, 367, 44, 51, 204, 4 },
    { "EQUAL_Active",    "Button-1.png", 35, 522, 44, 51, 204, 4 },
    { "ODRIVE_Active",   "Button-1.png", 527, 522, 44, 51, 204, 4 },
    { "ODRIVE_Tube",     "Button-1.png", 597, 522, 44, 51, 204, 4 },
    // Content page push buttons.
    { "LoadSet", "Button_Load-Set.png", 45, 79, 100, 48, 144, 3 },
    { "SaveSet", "Button_Save-Set.png", 45, 139, 100, 48, 144, 3 },
    { "ReqSet",  "Button_Req-Set.png", 45, 219, 100, 48, 144, 3 },
    { "DumpSet", "Button_Dump-Set.png", 45, 279, 100, 48, 144, 3 },
    { "Up",      "Button_Up.png", 45, 359, 100, 48, 144, 3 },
    { "Down",    "Button_Down.png", 45, 419, 100, 48, 144, 3 },
    { "LoadLib", "Button_Load-Lib.png", 464, 79, 100, 48, 144, 3 },
    { "SaveLib", "Button_Save-Lib.png", 464, 139, 100, 48, 144, 3 },
    { "Rigth",   "Button_Rigth.png", 464, 359, 100, 48, 144, 3 },
    { "Left",    "Button_Left.png", 464, 419, 100, 48, 144, 3 },
    // Model page knobs.
    KE_KNOB1 ("HAMMER_Level", 130, 211),
    KE_KNOB1 ("HAMMER_Max", 260, 211),
    KE_KNOB1 ("TINE_Level", 550, 211),
    KE_KNOB1 ("TINE_Decay", 680, 211),
    KE_KNOB1 ("TINE_Release", 810, 211),
    KE_KNOB1 ("BAR_Level", 130, 435),
    KE_KNOB1 ("BAR_Tune", 260, 435),
    KE_KNOB1 ("BAR_Tone", 390, 435),
    KE_KNOB1 ("BAR_Decay", 130, 575),
    KE_KNOB1 ("BAR_Tune2nd", 260, 575),
    KE_KNOB1 ("BAR_Random", 390, 575),
    KE_KNOB1 ("PICKUP_Distance", 550, 435),
    KE_KNOB1 ("PICKUP_Height", 680, 435),
    KE_KNOB1 ("PICKUP_Highpass", 810, 435),
    KE_KNOB1 ("PICKUP_Keytrack", 550, 575),
    // Effects page knobs.
    KE_KNOB1 ("TREMOLO_Intensy", 104, 112),
    KE_KNOB1 ("TREMOLO_Speed", 275, 112),
    KE_KNOB1 ("STRINGRESO_Level", 739, 112),
    KE_KNOB1 ("CHORUS_Depth", 177, 272),
    KE_KNOB1 ("CHORUS_Tempo", 275, 272),
    KE_KNOB1 ("FLANGER_Depth", 458, 272),
    KE_KNOB1 ("FLANGER_Tempo", 556, 272),
    KE_KNOB1 ("PHASER_Depth", 739, 272),
    KE_KNOB1 ("PHASER_Tempo", 837, 272),
    KE_KNOB1 ("ECHOVERB_Depth", 275, 427),
    KE_KNOB1 ("ECHOVERB_Tempo", 373, 427),
    KE_KNOB1 ("ECHOVERB_Delay", 471, 427),
    KE_KNOB1 ("AUTOWAH_Depth", 739, 427),
    KE_KNOB1 ("AUTOWAH_Tempo", 837, 427),
    KE_KNOB1 ("EQUAL_Bass", 177, 582),
    KE_KNOB1 ("EQUAL_Mid", 275, 582),
    KE_KNOB1 ("EQUAL_Presence", 373, 582),
    KE_KNOB1 ("EQUAL_Treble", 471, 582),
    KE_KNOB1 ("ODRIVE_Drive", 739, 582),
    KE_KNOB1 ("ODRIVE_Color", 837, 582),
    // Global dialog knobs.
    { "Transpose",  "Knob-2.png", 414, 451, 83, 83, 10707, 129 },
    { "MasterTune", "Knob-3.png", 545, 451, 83, 83, 10707, 129 },
};

#undef KE_KNOB1

const PlaceRow* findPlaceRow (const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const auto& row : placeTable)
        if (std::strcmp (row.name, name) == 0)
            return &row;
    return nullptr;
}
