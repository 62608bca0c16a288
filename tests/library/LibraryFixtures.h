#pragma once
// Small lists of distinguishable sounds, and the list views over them.

#include <initializer_list>
#include <string>
#include <vector>
#include <juce_gui_basics/juce_gui_basics.h>
#include "library/Soundlist.h"
#include "sound/SoundRecord.h"

// A sound named `name` of the given engine, with its fingerprint computed.
SoundRecord makeSound (const std::string& name, int engine = 0);

// A list of the sounds s0, s1, ... (or with another prefix).
SoundVector makeList (int count, bool userList, const char* prefix = "s");

std::vector<std::string> namesOf (const SoundVector& v);
std::vector<int> selectedIndices (const SoundVector& v);

// A view on `v` at the content page's list size, attached and showing nothing selected.
struct ListView
{
    ListView (SoundVector& v, bool deviceList);
    // Selects exactly these rows, as clicks with Ctrl would.
    void select (std::initializer_list<int> rows);
    void select (const std::vector<int>& rows);
    // Where a row's name part, or its layer part, lies in the view.
    juce::Point<int> rowPoint (int row) const;
    juce::Point<int> layerPoint (int row) const;

    Soundlist list;
};

// A double click on a row of the list, as the list box reports it.
void doubleClick (Soundlist& list, int row);
// A rename as a user makes it: the double click on a selected row, the name typed, Return.
void renameByTyping (Soundlist& list, int row, const juce::String& typed);

// Paints one row into an image of the row's size.
juce::Image paintRow (Soundlist& list, int row, bool selected, int width = 238, int height = 16);
