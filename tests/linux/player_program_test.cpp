// The native player as a program, where the end-to-end driver does not go:
// without a display it answers its options, or says so and exits 1 at once,
// and likewise without its data folder; a content file that cannot be
// opened is named by its full path; and SIGINT and SIGTERM end it in the
// setup dialog, in a message box, while drawing and while its window is
// hidden, by that signal. The display cases run under an Xvfb of their
// own, with SDL's silent sound device.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Waits for predicate to hold, polling every 50 ms; false at the deadline.
bool WaitUntil(const std::function<bool()>& predicate, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A started program: its id, its wait status once it has ended.
struct Program {
    pid_t pid = -1;
    bool ended = false;
    int status = 0;
};

// Starts program with args, its stdout and stderr into output; environment
// entries "NAME=value" are set, "NAME" alone is removed.
Program StartProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment, const fs::path& output)
{
    Program started;
    started.pid = fork();
    if (started.pid == 0) {
        for (const std::string& entry : environment) {
            const size_t equals = entry.find('=');
            if (equals == std::string::npos)
                unsetenv(entry.c_str());
            else
                setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
        }
        const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return started;
}

// Waits up to seconds for the program to end; one that does not is killed
// (and the result is false).
bool WaitForEnd(Program* program, double seconds)
{
    const bool ended = WaitUntil([&] { return waitpid(program->pid, &program->status, WNOHANG) == program->pid; },
                                 seconds);
    if (!ended) {
        kill(program->pid, SIGKILL);
        waitpid(program->pid, &program->status, 0);
    }
    program->ended = ended;
    return ended;
}

// A fresh folder per test, removed when the test passed.
class PlayerProgram : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/halvane-player-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        output = folder / "output.txt";
    }
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(folder);
    }
    // A copy of the player in folder/bin (a copy, since the player looks for
    // data/ beside the file it runs from, links resolved).
    std::string CopyPlayer()
    {
        fs::create_directories(folder / "bin");
        fs::copy_file(HALVANE_PLAYER_PROGRAM, folder / "bin/halvane");
        return (folder / "bin/halvane").string();
    }
    fs::path folder;
    fs::path output;
};

// A display number no X server listens on.
std::string UnusedDisplay()
{
    for (int number = 937;; ++number) {
        if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(number)))
            return ":" + std::to_string(number);
    }
}

// Without a display: --help answers (0), bad options are refused naming
// them (2), and anything else says there is no display (1).
TEST_F(PlayerProgram, WithoutADisplayItAnswersItsOptionsOrSaysSo)
{
    struct Case {
        std::vector<std::string> args;
        std::string display;
        int code;
        const char* message;
    };
    const Case cases[] = {
        { { "--windowed" }, "DISPLAY", 1, "halvane: no display" },
        { { "--aspect", "4:3" }, "DISPLAY", 1, "halvane: no display" },
        { { "--fullscreen" }, "DISPLAY=" + UnusedDisplay(), 1, "halvane: no display" },
        { {}, "DISPLAY", 1, "halvane: cannot open the display for the setup dialog" },
        { { "--help" }, "DISPLAY", 0, "--aspect 16:9|4:3" },
        { { "--bogus" }, "DISPLAY", 2, "unknown option '--bogus'" },
        { { "--aspect", "5:4" }, "DISPLAY", 2, "--aspect takes 16:9 or 4:3, not '5:4'" },
        { { "--windowed", "--fullscreen" }, "DISPLAY", 2, "conflicting --fullscreen/--windowed" },
        { { "--aspect" }, "DISPLAY", 2, "--aspect needs a value" },
    };
    // No Wayland either: its default socket lives in the runtime folder.
    const std::string runtime = "XDG_RUNTIME_DIR=" + folder.string();
    for (const Case& c : cases) {
        Program player = StartProgram(HALVANE_PLAYER_PROGRAM, c.args, { c.display, "WAYLAND_DISPLAY", runtime }, output);
        ASSERT_TRUE(WaitForEnd(&player, 20)) << c.message << ": still running";
        const std::string printed = ReadText(output);
        EXPECT_TRUE(WIFEXITED(player.status) && WEXITSTATUS(player.status) == c.code) << c.message << "\n" << printed;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.message << "\n" << printed;
    }
}

TEST_F(PlayerProgram, WithoutItsDataFolderItSaysWhereItLookedAndExits1)
{
    if (fs::exists("/usr/share/halvane/data"))
        GTEST_SKIP() << "the package is installed: its data folder would be found";
    const std::string player = CopyPlayer();
    fs::create_directories(folder / "work");
    // A file where the folder should be counts as none.
    std::ofstream(folder / "work/data") << "not a folder";
    const std::string work = (folder / "work").string();
    const std::string command = "cd '" + work + "' && exec '" + player + "' --windowed";
    Program run = StartProgram("/bin/sh", { "-c", command },
        { "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR=" + folder.string() }, output);
    ASSERT_TRUE(WaitForEnd(&run, 20));
    const std::string printed = ReadText(output);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << printed;
    const std::string bin = (folder / "bin").string();
    for (const std::string& line : { std::string("halvane: the show's data folder was not found; looked for:\n"),
             "  " + bin + "/data (beside the program): not there\n",
             "  " + folder.string() + "/share/halvane/data (installed beside the program): not there\n",
             "  " + work + "/data (the working directory): not a folder\n" })
        EXPECT_NE(printed.find(line), std::string::npos) << line << "in:\n" << printed;
    // Said once, before any display was asked for.
    EXPECT_EQ(printed.find("looked for"), printed.rfind("looked for")) << printed;
    EXPECT_EQ(printed.find("display"), std::string::npos) << printed;
}

// An Xvfb of the suite's own, found by the number it reports.
class PlayerUnderXvfb : public PlayerProgram {
protected:
    static void SetUpTestSuite()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        s_server = fork();
        if (s_server == 0) {
            close(pipeFds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        std::string number;
        char ch;
        while (read(pipeFds[0], &ch, 1) == 1 && ch != '\n')
            number += ch;
        close(pipeFds[0]);
        if (!number.empty())
            s_display = ":" + number;
    }
    static void TearDownTestSuite()
    {
        if (s_server > 0) {
            kill(s_server, SIGTERM);
            waitpid(s_server, nullptr, 0);
        }
    }
    void SetUp() override
    {
        PlayerProgram::SetUp();
        if (s_display.empty())
            GTEST_SKIP() << "no Xvfb";
        report = folder / "report.txt";
    }
    // Starts the player on the suite's display, silent, with its report.
    Program StartPlayer(const std::string& program, const std::vector<std::string>& args)
    {
        return StartProgram(program, args,
            { "DISPLAY=" + s_display, "WAYLAND_DISPLAY", "SDL_AUDIODRIVER=dummy",
              "HALVANE_TEST_REPORT=" + report.string() }, output);
    }
    // True when the display has a window of this exact title.
    static bool HasWindow(const char* title)
    {
        const std::string command = "DISPLAY=" + s_display + " xwininfo -root -tree 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return false;
        const std::string quoted = std::string("\"") + title + "\"";
        bool found = false;
        char line[512];
        while (std::fgets(line, sizeof line, pipe))
            found = found || std::strstr(line, quoted.c_str()) != nullptr;
        pclose(pipe);
        return found;
    }
    size_t CountFrames() const
    {
        const std::string text = ReadText(report);
        size_t count = 0;
        for (size_t at = text.find("halvane-frame"); at != std::string::npos; at = text.find("halvane-frame", at + 1))
            ++count;
        return count;
    }
    fs::path report;
    static pid_t s_server;
    static std::string s_display;
};

pid_t PlayerUnderXvfb::s_server = -1;
std::string PlayerUnderXvfb::s_display;

// Expects the player to end within a few seconds, by this signal.
void ExpectEndedBy(Program* player, int signal, const fs::path& output)
{
    ASSERT_TRUE(WaitForEnd(player, 10)) << "still running after signal " << signal << "\n" << ReadText(output);
    EXPECT_TRUE(WIFSIGNALED(player->status) && WTERMSIG(player->status) == signal)
        << "status " << player->status << "\n" << ReadText(output);
}

// While drawing and while hidden (the minimised loop): the show stops, tears
// down and reports the shell's status for the signal before ending by it.
TEST_F(PlayerUnderXvfb, SignalsEndTheShowAfterItsTeardown)
{
    for (int signal : { SIGINT, SIGTERM }) {
        for (bool hidden : { false, true }) {
            SCOPED_TRACE(std::string(hidden ? "hidden, " : "drawing, ") + strsignal(signal));
            fs::remove(report);
            Program player = StartPlayer(HALVANE_PLAYER_PROGRAM, { "--windowed" });
            ASSERT_TRUE(WaitUntil([&] { return CountFrames() > 0; }, 30)) << ReadText(output);
            if (hidden) {
                const std::string command = "DISPLAY=" + s_display + " xdotool search --name '^Halvane$' windowunmap";
                ASSERT_EQ(std::system(command.c_str()), 0);
                // Hidden once two looks a poll apart find no new frame.
                size_t seen = 0;
                ASSERT_TRUE(WaitUntil([&] {
                    const size_t now = CountFrames();
                    const bool still = now == seen;
                    seen = now;
                    std::this_thread::sleep_for(std::chrono::milliseconds(250));
                    return still && now == CountFrames();
                }, 20));
            }
            kill(player.pid, signal);
            ExpectEndedBy(&player, signal, output);
            const std::string text = ReadText(report);
            EXPECT_NE(text.find("halvane-teardown\nhalvane-exit " + std::to_string(128 + signal) + "\n"),
                      std::string::npos) << text;
        }
    }
}

// In the setup dialog and in a message box nothing needs tearing down: the
// signal ends the player at once. The box is the missing mesh's, whose
// stderr line names the file by its full path.
TEST_F(PlayerUnderXvfb, SignalsEndTheDialogAndAMessageBoxAtOnce)
{
    Program dialog = StartPlayer(HALVANE_PLAYER_PROGRAM, {});
    ASSERT_TRUE(WaitUntil([] { return HasWindow("Halvane by Varnek"); }, 30)) << ReadText(output);
    kill(dialog.pid, SIGTERM);
    ExpectEndedBy(&dialog, SIGTERM, output);

    const std::string player = CopyPlayer();
    fs::create_directories(folder / "bin/data/png");
    const fs::path intact = HALVANE_DATA_DIR;
    for (const auto& entry : fs::recursive_directory_iterator(intact)) {
        const fs::path relative = fs::relative(entry.path(), intact);
        if (entry.is_regular_file() && relative != "knot2.obj")
            fs::create_symlink(entry.path(), folder / "bin/data" / relative);
    }
    Program box = StartPlayer(player, { "--windowed" });
    const std::string said = "halvane: Error opening .obj file\n  file: " + (folder / "bin/data/knot2.obj").string()
        + "\n";
    ASSERT_TRUE(WaitUntil([&] { return ReadText(output).find(said) != std::string::npos; }, 30)) << ReadText(output);
    ASSERT_TRUE(WaitUntil([] { return HasWindow("App"); }, 30)) << ReadText(output);
    kill(box.pid, SIGINT);
    ExpectEndedBy(&box, SIGINT, output);
    EXPECT_EQ(CountFrames(), 0u);
}

}  // namespace
