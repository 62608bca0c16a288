#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

struct SoundVector;

// One list of the content page: the user list (the instrument's program slots) or the library.
// The selection lives in the records' own flags, so the rest of the program finds the current
// sound without asking the view.
class Soundlist : public juce::ListBox,
                  public juce::FileDragAndDropTarget,
                  public juce::DragAndDropTarget,
                  public juce::ListBoxModel,
                  public juce::Label::Listener
{
public:
    Soundlist();
    ~Soundlist() override;

    void setSoundVector (SoundVector* v);
    // Re-reads the row count and the selection from the records. On the user list the current
    // sound is shown and sent to the edit buffer, unless `sendSound` is false: the caller then
    // sends it itself.
    void refresh (bool sendSound = true);

    // juce::Component
    void paint (juce::Graphics&) override;
    bool keyPressed (const juce::KeyPress&) override;

    // juce::FileDragAndDropTarget
    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;

    // juce::DragAndDropTarget
    bool isInterestedInDragSource (const SourceDetails&) override;
    void itemDragEnter (const SourceDetails&) override;
    void itemDragMove (const SourceDetails&) override;
    void itemDragExit (const SourceDetails&) override;
    void itemDropped (const SourceDetails&) override;

    // juce::ListBoxModel
    int getNumRows() override;
    void paintListBoxItem (int row, juce::Graphics&, int width, int height, bool selected) override;
    juce::Component* refreshComponentForRow (int row, bool selected, juce::Component* existing) override;
    void listBoxItemDoubleClicked (int row, const juce::MouseEvent&) override;
    void selectedRowsChanged (int lastRowSelected) override;
    juce::var getDragSourceDescription (const juce::SparseSet<int>& rows) override;
    juce::String getTooltipForRow (int row) override;

    // juce::Label::Listener
    void labelTextChanged (juce::Label*) override;
    void editorShown (juce::Label*, juce::TextEditor&) override;
    void editorHidden (juce::Label*, juce::TextEditor&) override;

    // The text a row shows ("P1 name", "X3 name", "12 name", "element0"); empty past the end.
    juce::String rowText (int row) const;

    SoundVector* sounds;
    int numRows;
    int renameRequested;
    int renameRow;
    juce::Label* editorLabel;
    bool isDeviceList;

private:
    void updateDrop (const SourceDetails&);
    // The records take the list's selection; on the user list the current sound goes to selectSound.
    void followSelection();
    // Shows the sound on the content page and sends it, or only shows it while a send is held.
    void selectSound (int index);

    bool holdingSend = false;
    // Set only while a double click makes the rename field.
    bool openingRename = false;

    JUCE_DECLARE_NON_COPYABLE (Soundlist)
};
