#include "controls/Ibtn.h"

Ibtn::Ibtn (const juce::String& buttonName) : juce::Button (buttonName) {}
Ibtn::~Ibtn() = default;

void Ibtn::paintButton (juce::Graphics&, bool, bool) {}
