#pragma once
// One painter per image, grouped by family; each draws its image in logical pixels.
#include "Art.h"

void paintKnob1 (juce::Graphics&);
void paintKnob1Invert (juce::Graphics&);
void paintKnob1InvertOrange (juce::Graphics&);
void paintKnob1InvertRot (juce::Graphics&);
void paintKnob2 (juce::Graphics&);
void paintKnob3 (juce::Graphics&);
void paintKnob3Bipolar (juce::Graphics&);
void paintCorona (juce::Graphics&);

void paintButton1 (juce::Graphics&);
void paintButton2 (juce::Graphics&);
void paintButtonDown (juce::Graphics&);
void paintButtonDumpSet (juce::Graphics&);
void paintButtonLeft (juce::Graphics&);
void paintButtonLoadLib (juce::Graphics&);
void paintButtonLoadSet (juce::Graphics&);
void paintButtonReqSet (juce::Graphics&);
void paintButtonRight (juce::Graphics&);
void paintButtonSaveLib (juce::Graphics&);
void paintButtonSaveSet (juce::Graphics&);
void paintButtonUp (juce::Graphics&);
void paintEcho (juce::Graphics&);
void paintReverb (juce::Graphics&);
void paintArrowDown (juce::Graphics&);
void paintArrowUp (juce::Graphics&);
void paintQuad1 (juce::Graphics&);
void paintQuad2 (juce::Graphics&);
void paintQuad3 (juce::Graphics&);
void paintSlider (juce::Graphics&);
void paintSliderHandle (juce::Graphics&);
void paintBarSelected (juce::Graphics&);

void paintMainBackground (juce::Graphics&);
void paintContentBackground (juce::Graphics&);
void paintModelBackground (juce::Graphics&);
void paintEffectsBackground (juce::Graphics&);
void paintFmBackground (juce::Graphics&);
void paintSampleBackground (juce::Graphics&);
void paintGlobalBackground (juce::Graphics&);
void paintSampleContentList (juce::Graphics&);
void paintBarSelect (juce::Graphics&);
void paintGlassReflex (juce::Graphics&);
