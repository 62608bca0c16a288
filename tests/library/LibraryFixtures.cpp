#include "tests/library/LibraryFixtures.h"

#include <gtest/gtest.h>

SoundRecord makeSound (const std::string& name, int engine)
{
    SoundRecord r;
    initSoundRecord (&r);
    r[SoundRecord::engineType] = static_cast<uint32_t> (engine);
    setSoundName (&r, name.c_str());
    return r;
}

SoundVector makeList (int count, bool userList, const char* prefix)
{
    SoundVector v;
    v.isUserList = userList ? 1 : 0;
    for (int i = 0; i < count; ++i)
        v.append (makeSound (prefix + std::to_string (i)));
    return v;
}

std::vector<std::string> namesOf (const SoundVector& v)
{
    std::vector<std::string> names;
    for (const auto& r : v.records)
        names.emplace_back (r.nameText());
    return names;
}

std::vector<int> selectedIndices (const SoundVector& v)
{
    std::vector<int> rows;
    for (int i = 0; i < v.size(); ++i)
        if (v[i].isSelected())
            rows.push_back (i);
    return rows;
}

ListView::ListView (SoundVector& v, bool deviceList)
{
    list.isDeviceList = deviceList;
    list.setBounds (0, 0, 238, 450);
    list.setVisible (true);  // an invisible list box never updates its rows
    list.setSoundVector (&v);
    list.deselectAllRows();
}

void ListView::select (std::initializer_list<int> rows)
{
    select (std::vector<int> (rows));
}

void ListView::select (const std::vector<int>& rows)
{
    list.deselectAllRows();
    for (int r : rows)
        list.selectRow (r, true, false);
}

juce::Point<int> ListView::rowPoint (int row) const
{
    return { 20, row * 16 + 8 };
}

juce::Point<int> ListView::layerPoint (int row) const
{
    return { list.getVisibleRowWidth() - 8, row * 16 + 8 };
}

void doubleClick (Soundlist& list, int row)
{
    const juce::MouseEvent click (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f, 0.0f,
                                  0.0f, &list, &list, juce::Time(), {}, juce::Time(), 2, false);
    list.listBoxItemDoubleClicked (row, click);
}

void renameByTyping (Soundlist& list, int row, const juce::String& typed)
{
    doubleClick (list, row);
    auto* editor = list.editorLabel != nullptr ? list.editorLabel->getCurrentTextEditor() : nullptr;
    ASSERT_NE (editor, nullptr) << "no rename field on row " << row;
    editor->setText (typed, false);
    editor->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
}

juce::Image paintRow (Soundlist& list, int row, bool selected, int width, int height)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    list.paintListBoxItem (row, g, width, height, selected);
    return image;
}
