#include "CommandLine.h"
#include "Translations.h"
#include "VeldaApp.h"

#include <optional>

int main(int argc, char** argv)
{
    // The terminal commands run on QtCore alone: no GUI object may exist, so they need no display.
    if (cli::IsHeadlessCommand(argc, argv))
        return cli::RunHeadless(argc, argv);
    // --help, --version and wrong options are answered before the window's application exists,
    // so they need no display: on a core application of their own, in the user's language.
    cli::WindowArguments parsed;
    std::optional<cli::DisplayStart> start; // no display: one line and status 1, not Qt's abort
    {
        QCoreApplication core(argc, argv);
        resources::InstallUserLanguage(&core);
        if (int status = cli::kExitFailed; !cli::ArgumentsAreUtf8(argc, argv, &status))
            return status;
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        parsed = cli::ParseWindowArguments(arguments);
        if (!parsed.exit)
            start.emplace();
    }
    if (parsed.exit)
        return parsed.status;
    CVeldaApp app(argc, argv);
    start->Started();
    app.InitInstance(parsed.files);
    return 0;
}
