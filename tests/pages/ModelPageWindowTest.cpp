// The Model page in a real window: a drag on a knob, delivered through the window's peer as the
// windowing system delivers it, reaches the simulated instrument as that knob's CC.
#include "controls/zpot.h"
#include "editor/EditPanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    void mouse (juce::ComponentPeer& peer, juce::Point<float> at, bool down)
    {
        peer.handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at,
                               down ? juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier)
                                    : juce::ModifierKeys(),
                               juce::MouseInputSource::defaultPressure,
                               juce::MouseInputSource::defaultOrientation,
                               juce::Time::currentTimeMillis());
        pumpMessageLoop (15);
    }
}

using ModelPageWindow = PageTest;

TEST_F (ModelPageWindow, KnobDragReachesTheInstrument)
{
    juce::DocumentWindow window ("K-Editor", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
    window.setContentNonOwned (main.get(), true);
    window.setTopLeftPosition (0, 0);
    window.setVisible (true);
    pumpMessageLoop (200);

    main->showModelPage();
    ASSERT_NE (main->editPanel, nullptr);
    pumpMessageLoop (100);
    ASSERT_TRUE (instrument->waitUntilIdle());
    instrument->clearReceived();

    auto* peer = window.getPeer();
    ASSERT_NE (peer, nullptr);
    zpot* knob = main->editPanel->knobs[0];
    const int before = static_cast<int> (knob->getValue());
    const auto centre = peer->getComponent().getLocalPoint (knob, knob->getLocalBounds().getCentre()).toFloat();

    mouse (*peer, centre, false);
    mouse (*peer, centre, true);
    for (int dy = 5; dy <= 60; dy += 5)
        mouse (*peer, centre.translated (0.0f, static_cast<float> (-dy)), true);
    mouse (*peer, centre.translated (0.0f, -60.0f), false);
    ASSERT_TRUE (instrument->waitUntilIdle());

    const int after = static_cast<int> (knob->getValue());
    ASSERT_GT (after, before);
    const auto ccs = instrument->receivedCcs();
    ASSERT_FALSE (ccs.empty());
    EXPECT_EQ (ccs.back(), (MidiBytes { 0xB0, 32, static_cast<uint8_t> (after) }));
    for (const auto& m : ccs)
        EXPECT_EQ (m[1], 32) << "only the dragged knob's CC goes out";

    const int current = main->userSounds.findCurrent();
    ASSERT_GE (current, 0);
    EXPECT_EQ (getCc (&main->userSounds[current], 32, true), after);

    main->deleteEditPanels();
    window.clearContentComponent();
}
