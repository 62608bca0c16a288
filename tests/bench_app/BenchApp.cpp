// The program as a user meets it: cold start to the first painted frame of the main window (with
// the machine's font folders and with a large set of fonts offered through JUCE_FONT_PATH), the
// memory the running program takes, the first switch to each page, and the content page with a
// library of 10,000 sounds (load, scroll, select). Needs an X display; without one it runs itself
// again under xvfb-run.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include "app/FileDialogs.h"
#include "app/KE3Application.h"
#include "app/MainContentComponent.h"
#include "app/Pause.h"
#include "controls/zbutton.h"
#include "library/SoundPanel.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

extern char** environ;

namespace
{
int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds> (std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string selfPath()
{
    char buf[4096];
    const auto n = ::readlink ("/proc/self/exe", buf, sizeof (buf) - 1);
    return n > 0 ? std::string (buf, static_cast<size_t> (n)) : std::string();
}

// Starts a program and returns its pid; its standard output goes to `outFd` when that is >= 0.
pid_t spawn (const std::vector<std::string>& args, int outFd)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back (const_cast<char*> (a.c_str()));
    argv.push_back (nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2 (&actions, outFd, 1);
    posix_spawn_file_actions_addopen (&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn (&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy (&actions);
    return pid;
}

//==============================================================================
// The child of the cold-start benchmark: the program's own start-up, and a note of the moment its
// main window first paints (a one-pixel child of the main component paints in the same frame,
// right after the background).
struct FramePixel : juce::Component
{
    void paint (juce::Graphics&) override
    {
        if (paintedAt == 0)
            paintedAt = monotonicNs();
    }
    std::atomic<int64_t> paintedAt { 0 };
};

juce::JUCEApplicationBase* createApplication() { return new KE3Application(); }

// The first switch from the content page to a page (0 Model, 1 FM, 2 Sample, 3 Effects, 4 the
// Global dialog, 5 the About box) in a program that has just shown its first frame, until the
// window has painted the new page (a one-pixel child above the pages, in the middle of the window,
// paints in the same frame).
int64_t switchTo (MainContentComponent& main, int page)
{
    FramePixel marker;
    marker.setBounds (512, 400, 1, 1);
    marker.setInterceptsMouseClicks (false, false);
    marker.setAlwaysOnTop (true);
    main.addAndMakeVisible (marker);
    const auto paintedBy = [&] (int64_t limit)
    {
        while (marker.paintedAt == 0 && monotonicNs() < limit)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        return marker.paintedAt != 0;
    };
    if (! paintedBy (monotonicNs() + 5'000'000'000LL))
        return 0;
    marker.paintedAt = 0;
    const auto from = monotonicNs();
    switch (page)
    {
        case 0: main.showModelPage(); break;
        case 1: main.showFmPage(); break;
        case 2: main.showSamplePage(); break;
        case 3: main.showEffectsPage(); break;
        case 4: main.globalButton->setToggleState (true, juce::dontSendNotification); main.toggleGlobalDialog(); break;
        default: main.showAbout(); break;
    }
    const bool shown = paintedBy (from + 5'000'000'000LL);
    main.removeChildComponent (&marker);
    return shown ? marker.paintedAt - from : 0;
}

// page < 0: no switch.
int firstFrameChild (int page)
{
    const auto entered = monotonicNs();
    juce::JUCEApplicationBase::createInstance = &createApplication;
    juce::ScopedJuceInitialiser_GUI gui;
    auto window = std::make_unique<KE3Application::MainWindow> ("K-Editor");
    const auto windowMade = monotonicNs();
    FramePixel pixel;
    pixel.setBounds (0, 0, 1, 1);
    pixel.setInterceptsMouseClicks (false, false);
    window->getContentComponent()->addAndMakeVisible (pixel);

    const auto giveUp = monotonicNs() + 10'000'000'000LL;
    while (pixel.paintedAt == 0 && monotonicNs() < giveUp)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    rusage usage {};
    getrusage (RUSAGE_SELF, &usage);
    int64_t switched = 0;
    if (page >= 0 && pixel.paintedAt != 0)
        if (auto* main = dynamic_cast<MainContentComponent*> (window->getContentComponent()))
            switched = switchTo (*main, page);
    std::printf ("%lld %ld %lld %lld %lld\n", static_cast<long long> (pixel.paintedAt.load()), usage.ru_maxrss,
                 static_cast<long long> (entered), static_cast<long long> (windowMade), static_cast<long long> (switched));
    std::fflush (stdout);
    window->getContentComponent()->removeChildComponent (&pixel);
    window.reset();
    return pixel.paintedAt == 0 ? 1 : 0;
}

// A large set of font files for JUCE_FONT_PATH: the folder that KE_BENCH_FONT_PATH names, or else
// 381 links to the DejaVu files of fonts-dejavu-core and -extra (as many files as Debian's
// fonts-noto-core brings) in a folder of the bench's own, gone at exit.
struct LargeFontSet
{
    LargeFontSet()
    {
        if (const char* given = std::getenv ("KE_BENCH_FONT_PATH"))
        {
            path = given;
            return;
        }
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ke-bench-fonts-" + juce::String (getpid()));
        folder.createDirectory();
        const auto faces = juce::File (KE_SYSTEM_FONT_DIR).findChildFiles (juce::File::findFiles, false, "*.ttf");
        for (int i = 0; i < 381 && ! faces.isEmpty(); ++i)
            faces[i % faces.size()].createSymbolicLink (folder.getChildFile ("face-" + juce::String (i) + ".ttf"), true);
        path = folder.getFullPathName().toStdString();
    }
    ~LargeFontSet() { folder.deleteRecursively(); }

    std::string path;
    juce::File folder;
};

// Cold starts: the time to the first frame, or with switchPage >= 0 the first switch to that page.
void coldStarts (benchmark::State& state, int switchPage)
{
    const auto self = selfPath();
    // Arg 1: the child is offered the large font set instead of the folders that fonts.conf names.
    std::unique_ptr<LargeFontSet> fonts;
    if (switchPage < 0 && state.range (0) == 1)
    {
        fonts = std::make_unique<LargeFontSet>();
        ::setenv ("JUCE_FONT_PATH", fonts->path.c_str(), 1);
    }
    double rssMb = 0, toMain = 0, toWindow = 0, toFrame = 0;
    int runs = 0;
    for (auto _ : state)
    {
        int pipeFds[2];
        if (::pipe (pipeFds) != 0)
        {
            state.SkipWithError ("no pipe");
            return;
        }
        const auto started = monotonicNs();
        const pid_t pid = spawn ({ self, "--first-frame", std::to_string (switchPage) }, pipeFds[1]);
        ::close (pipeFds[1]);
        char line[128] = {};
        size_t got = 0;
        ssize_t n;
        while (got + 1 < sizeof (line) && (n = ::read (pipeFds[0], line + got, sizeof (line) - 1 - got)) > 0)
            got += static_cast<size_t> (n);
        ::close (pipeFds[0]);
        int status = 0;
        ::waitpid (pid, &status, 0);
        long long paintedAt = 0, entered = 0, windowMade = 0, switchedIn = 0;
        long maxRssKb = 0;
        if (pid < 0 || std::sscanf (line, "%lld %ld %lld %lld %lld", &paintedAt, &maxRssKb, &entered, &windowMade, &switchedIn) != 5
            || paintedAt == 0)
        {
            ::unsetenv ("JUCE_FONT_PATH");
            state.SkipWithError ("the window never painted");
            return;
        }
        if (switchPage >= 0 && switchedIn <= 0)
        {
            state.SkipWithError ("the page never painted");
            return;
        }
        state.SetIterationTime (static_cast<double> (switchPage < 0 ? paintedAt - started : switchedIn) / 1e9);
        rssMb = std::max (rssMb, maxRssKb / 1024.0);
        // Where the time goes: loading the process, making the window, and from there to the frame.
        // The window's thread makes no pause: all of it is the program's own work.
        toMain += static_cast<double> (entered - started) / 1e6;
        toWindow += static_cast<double> (windowMade - entered) / 1e6;
        toFrame += static_cast<double> (paintedAt - windowMade) / 1e6;
        ++runs;
    }
    ::unsetenv ("JUCE_FONT_PATH");
    state.counters["peak_rss_MB_at_first_frame"] = rssMb;
    state.counters["exec_to_main_ms"] = toMain / runs;
    state.counters["main_to_window_ms"] = toWindow / runs;
    state.counters["window_to_frame_ms"] = toFrame / runs;
}

void BM_ColdStartToFirstFrame (benchmark::State& state)
{
    coldStarts (state, -1);
}
BENCHMARK (BM_ColdStartToFirstFrame)->Arg (0)->Arg (1)->ArgNames ({ "large_font_set" })->UseManualTime()
    ->Unit (benchmark::kMillisecond)->Iterations (8);

// The real executable, left running for two seconds (a few timer ticks and port scans): its
// high-water mark of resident memory.
void BM_KEditorPeakRss (benchmark::State& state)
{
    double peakMb = 0;
    for (auto _ : state)
    {
        const pid_t pid = spawn ({ KE_EDITOR_EXECUTABLE }, -1);
        if (pid < 0)
        {
            state.SkipWithError ("KEditor did not start");
            return;
        }
        ::usleep (2'000'000);
        std::ifstream status ("/proc/" + std::to_string (pid) + "/status");
        std::string key;
        long kb = 0;
        while (status >> key)
            if (key == "VmHWM:" && (status >> kb))
                break;
        ::kill (pid, SIGTERM);
        int st = 0;
        ::waitpid (pid, &st, 0);
        if (kb == 0)
        {
            state.SkipWithError ("no VmHWM");
            return;
        }
        peakMb = std::max (peakMb, kb / 1024.0);
    }
    state.counters["peak_rss_MB"] = peakMb;
}
BENCHMARK (BM_KEditorPeakRss)->Unit (benchmark::kMillisecond)->Iterations (3);

void BM_FirstSwitchToPage (benchmark::State& state)
{
    static const char* const pages[] = { "Model", "FM", "Sample", "Effects", "Global dialog", "About box" };
    const int page = juce::jlimit (0, 5, (int) state.range (0));
    coldStarts (state, page);
    state.SetLabel (pages[page]);
}
BENCHMARK (BM_FirstSwitchToPage)->DenseRange (0, 5)->ArgNames ({ "page" })->UseManualTime()->Unit (benchmark::kMillisecond)
    ->Iterations (5);

//==============================================================================
// The content page with a library of 10,000 sounds of its own (the factory set under new names,
// so that every one is new to the library).

struct AnsweringDialogs : FileDialogs
{
    std::string chooseFileToOpen (const juce::String&, const juce::String&) override { return file.getFullPathName().toStdString(); }
    std::string chooseFileToSave (const juce::String&, const juce::String&) override { return file.getFullPathName().toStdString(); }
    int askSoundsetDump() override { return dumpCancelled; }
    juce::File file;
};

struct BigLibrary
{
    static constexpr int sounds = 10000;

    BigLibrary()
    {
        file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ke-bench-10000-" + juce::String (getpid()) + ".ksx");
        SoundVector v;
        v.records.reserve (sounds);
        for (int i = 0; i < sounds; ++i)
        {
            SoundRecord r;
            initSoundRecord (&r);
            parseSoundDump (&r, factorySoundSet + (i % 28) * soundDumpLength);
            setSoundName (&r, ("Lib " + juce::String (i).paddedLeft ('0', 5)).toRawUTF8());
            v.append (r);
        }
        saveSoundFile (&v, file.getFullPathName().toRawUTF8());
        dialogs.file = file;
        setFileDialogs (&dialogs);
        main = std::make_unique<MainContentComponent>();
        main->stopTimer();
        main->setVisible (true);
    }

    ~BigLibrary()
    {
        main.reset();
        setFileDialogs (nullptr);
        file.deleteFile();
    }

    // Back to the library of start-up.
    void resetLibrary()
    {
        main->librarySounds.records.resize (28);
        main->soundPanel->libraryList.refresh();
    }

    // "Load K lib..." of the 10,000-sound file.
    void load() { main->runFileCommand (2); }

    Soundlist& list() { return main->soundPanel->libraryList; }

    juce::File file;
    AnsweringDialogs dialogs;
    std::unique_ptr<MainContentComponent> main;
};

std::unique_ptr<BigLibrary> theBigLibrary;  // made on first use, gone before JUCE is

BigLibrary& bigLibrary()
{
    if (theBigLibrary == nullptr)
        theBigLibrary = std::make_unique<BigLibrary>();
    return *theBigLibrary;
}

void BM_LoadLibraryOf10000 (benchmark::State& state)
{
    auto& b = bigLibrary();
    for (auto _ : state)
    {
        state.PauseTiming();
        b.resetLibrary();
        state.ResumeTiming();
        b.load();
    }
    if (b.main->librarySounds.size() != 28 + BigLibrary::sounds)
        state.SkipWithError ("the library did not take every sound");
}
BENCHMARK (BM_LoadLibraryOf10000)->Unit (benchmark::kMillisecond)->Iterations (10);

// A page of rows scrolled into view and drawn, from the top of the library to its end.
void BM_ScrollLibraryOf10000 (benchmark::State& state)
{
    auto& b = bigLibrary();
    if (b.main->librarySounds.size() < BigLibrary::sounds)
        b.load();
    auto& list = b.list();
    const int rows = list.getNumRows();
    const int page = std::max (1, list.getNumRowsOnScreen());
    int top = 0;
    juce::Image canvas (juce::Image::ARGB, list.getWidth(), list.getHeight(), true);
    for (auto _ : state)
    {
        top = (top + page) % rows;
        list.scrollToEnsureRowIsOnscreen (std::min (rows - 1, top + page - 1));
        juce::Graphics g (canvas);
        list.paintEntireComponent (g, true);
    }
    state.counters["rows"] = rows;
}
BENCHMARK (BM_ScrollLibraryOf10000)->Unit (benchmark::kMicrosecond);

// A click on one row, then a shift-click that selects all 10,028.
void BM_SelectInLibraryOf10000 (benchmark::State& state)
{
    auto& b = bigLibrary();
    if (b.main->librarySounds.size() < BigLibrary::sounds)
        b.load();
    auto& list = b.list();
    const int rows = list.getNumRows();
    int row = 0;
    for (auto _ : state)
    {
        row = (row + 4999) % rows;
        if (state.range (0) == 0)
            list.selectRow (row);
        else
            list.selectRangeOfRows (0, rows - 1);
        list.updateContent();
    }
}
BENCHMARK (BM_SelectInLibraryOf10000)->Arg (0)->Arg (1)->ArgNames ({ "all" })->Unit (benchmark::kMicrosecond);
} // namespace

int main (int argc, char** argv)
{
    if (argc > 1 && std::strcmp (argv[1], "--first-frame") == 0)
        return firstFrameChild (argc > 2 ? std::atoi (argv[2]) : -1);

    if (std::getenv ("DISPLAY") == nullptr && std::getenv ("KE_BENCH_NO_XVFB") == nullptr)
    {
        // A display of our own, as every window here needs one.
        ::setenv ("KE_BENCH_NO_XVFB", "1", 1);
        std::vector<const char*> args = { "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24" };
        const auto self = selfPath();
        args.push_back (self.c_str());
        for (int i = 1; i < argc; ++i)
            args.push_back (argv[i]);
        args.push_back (nullptr);
        ::execvp ("xvfb-run", const_cast<char* const*> (args.data()));
        std::perror ("xvfb-run");
        return 1;
    }

    juce::JUCEApplicationBase::createInstance = &createApplication;
    juce::ScopedJuceInitialiser_GUI gui;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theBigLibrary.reset();
    return 0;
}
