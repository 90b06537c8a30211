#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTranslator>
#include <cstdio>

#include "ChineseQtTexts.h"
#include "common/OperatorTexts.h"

namespace {

const QString kProgram = QStringLiteral("dbtool");

void say(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// Qt picks the display itself when QT_QPA_PLATFORM names a platform, offscreen included.
bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QStringList argumentList(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

}  // namespace

std::optional<int> answerCommandLine(int argc, char** argv) {
    QCoreApplication::setApplicationName(kProgram);
    QCoreApplication::setApplicationVersion(QStringLiteral(DBTOOL_VERSION));
    // Wayland compositors and docks match the window to dbtool.desktop by this name.
    QGuiApplication::setDesktopFileName(kProgram);

    // Own options rather than Qt's: those would offer --help-all with Qt's window options,
    // which this parser, run before the window's, does not take.
    QCommandLineParser parser;
    parser.setApplicationDescription(texts::kWhatItDoes);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  texts::kHelpOption);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     texts::kVersionOption);
    parser.addOptions({help, version});
    const bool understood = parser.parse(argumentList(argc, argv));
    const bool extraArguments = !parser.positionalArguments().isEmpty();
    const bool forTheTerminal = parser.isSet(help) || parser.isSet(version);
    if (understood && !extraArguments && !forTheTerminal) {
        if (displayAvailable()) {
            return std::nullopt;
        }
        say(stderr, texts::kNoDisplay + u'\n');
        return 1;
    }

    // Answered in the window's language: Qt's own parser texts follow the translator, which
    // needs an application object; this one is gone before the process ends.
    const QCoreApplication terminal(argc, argv);
    QTranslator qtTexts;
    installChineseQtTexts(qtTexts);
    if (!understood || extraArguments) {
        const QString reason =
            understood ? texts::kExtraArguments + parser.positionalArguments().join(u' ')
                       : parser.errorText();
        say(stderr, texts::kProgramSays + reason + texts::kSeeHelp + u'\n');
        return 2;
    }
    if (parser.isSet(version)) {
        say(stdout, kProgram + u' ' + QCoreApplication::applicationVersion() + u'\n');
        return 0;
    }
    say(stdout, parser.helpText());
    return 0;
}
