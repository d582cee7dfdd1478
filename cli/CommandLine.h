#pragma once
// The program's command line: `velda [FILE…]` opens the window, `velda split …` and
// `velda join …` run a job in the terminal without one.

#include <QStringList>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// A job stopped by a signal ends with 128 + the signal's number, as shells report it:
// 130 for Ctrl+C (SIGINT), 143 for SIGTERM, 129 for SIGHUP.
inline constexpr int kExitSignalBase = 128;

// False, with the message on stderr and the status to end with, when an argument is not UTF-8:
// the program could not keep such a name as it is. Needs the user's language installed.
bool ArgumentsAreUtf8(int argc, char** argv, int* status);

// True when argv[1] names a command that runs without a window.
bool IsHeadlessCommand(int argc, char** argv);

// Runs `velda split …` or `velda join …` on a QCoreApplication of its own and returns the
// exit status. Needs no display.
int RunHeadless(int argc, char** argv);

// The window's arguments. --help, --version and wrong options are answered here, before any
// GUI object exists (so they need no display): `exit` is then set with the status to end with.
struct WindowArguments {
    bool exit = false;
    int status = kExitOk;
    QStringList files;
};
WindowArguments ParseWindowArguments(const QStringList& arguments);

// Watches the start of the window's application: where Qt cannot open a display it would abort
// the process; instead the program says in one line on stderr which display it could not open
// and ends with status 1. Qt's other messages meanwhile are held back and passed on at Started().
// Made while the user's language is installed: that line is written in it.
class DisplayStart {
public:
    DisplayStart();
    ~DisplayStart();
    void Started();
    DisplayStart(const DisplayStart&) = delete;
    DisplayStart& operator=(const DisplayStart&) = delete;
};

} // namespace cli
