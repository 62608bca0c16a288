// The program's entry: JUCE's application runner with K-Editor's application object.
#include "app/KE3Application.h"

static juce::JUCEApplicationBase* createApplication()
{
    return new KE3Application();
}

int main (int argc, char* argv[])
{
    juce::JUCEApplicationBase::createInstance = &createApplication;
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}
