#include "command_line.h"

#include <cmath>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

namespace app {
namespace {

// Largest side of an image the program draws.
constexpr int kMaxSide = 8192;

// The clock --time stands in for runs from midnight to midnight.
constexpr int kSecondsPerDay = 86400;

const QString kDescription =
    QStringLiteral("A viewer for DirectX .x models.\n\n"
                   "  orvane [FILE.x]                  the viewer, showing FILE.x at once as the file\n"
                   "                                   describes it (--look viewer: in the viewer's scene)\n"
                   "  orvane --info FILE...            one line of statistics per model\n"
                   "  orvane --render FILE.x --output OUT.png [--size WxH] [--time SECONDS]\n"
                   "         [--device hal|ref] [--texture IMAGE] [--look viewer|authored]\n"
                   "         [--animation NAME|INDEX]  one frame written to an image\n"
                   "  orvane --thumbnail INPUT OUTPUT SIZE\n"
                   "                                   a SIZE×SIZE PNG preview (authored look,\n"
                   "                                   reference device, no display needed)");

CommandLine invalid(const QString& why)
{
    CommandLine line;
    line.mode = Mode::Invalid;
    line.text = why;
    return line;
}

bool parseSide(const QString& text, int& side)
{
    bool ok = false;
    side = text.toInt(&ok);
    return ok && side > 0 && side <= kMaxSide;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // A negative SIZE of --thumbnail would read as an option ("-3"); as a
    // positional argument it is refused as the wrong size it is.
    if (arguments.contains(QStringLiteral("--thumbnail")) && !arguments.contains(QStringLiteral("--")))
        for (qsizetype i = 1; i < arguments.size(); ++i)
            if (arguments[i].size() > 1 && arguments[i][0] == QLatin1Char('-') && arguments[i][1].isDigit()) {
                arguments.insert(i, QStringLiteral("--"));
                break;
            }

    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption info(QStringLiteral("info"),
                                  QStringLiteral("Print statistics of each model FILE."));
    const QCommandLineOption render(QStringLiteral("render"), QStringLiteral("Draw MODEL to an image file."),
                                    QStringLiteral("MODEL"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("The image --render writes."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Image size (default 505x499)."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption time(
        QStringLiteral("time"),
        QStringLiteral("Viewer look: the clock, in seconds since midnight. Authored "
                       "look: seconds into the animation (default 0)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("hal (OpenGL, the default) or ref (no display needed)."),
                                    QStringLiteral("DEVICE"));
    const QCommandLineOption texture(QStringLiteral("texture"),
                                     QStringLiteral("Viewer look: texture the model with IMAGE."),
                                     QStringLiteral("IMAGE"));
    const QCommandLineOption look(QStringLiteral("look"),
                                  QStringLiteral("viewer (the window's scene, the default) or authored (the "
                                                 "model's own materials and textures, framed to fit)."),
                                  QStringLiteral("LOOK"));
    const QCommandLineOption animation(
        QStringLiteral("animation"),
        QStringLiteral("Authored look: the animation set that plays, by name or "
                       "by index in file order (default: the first)."),
        QStringLiteral("NAME|INDEX"));
    const QCommandLineOption thumbnail(QStringLiteral("thumbnail"),
                                       QStringLiteral("Write a SIZE×SIZE preview of INPUT to OUTPUT."));
    for (const QCommandLineOption& option :
         {info, render, output, size, time, device, texture, look, animation, thumbnail})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Model(s), or INPUT OUTPUT SIZE."),
                                 QStringLiteral("[FILE.x]"));

    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    CommandLine line;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        line.mode = Mode::Help;
        // The usage line names the program as the application object has it.
        int count = 1;
        const QCoreApplication application(count, argv);
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.mode = Mode::Version;
        line.text = QStringLiteral("orvane %1\n").arg(QStringLiteral(ORVANE_VERSION));
        return line;
    }

    const QStringList positional = parser.positionalArguments();
    const int modes = int(parser.isSet(info)) + int(parser.isSet(render)) + int(parser.isSet(thumbnail));
    if (modes > 1)
        return invalid(QStringLiteral("Use only one of --info, --render and --thumbnail."));
    const bool renderOptions = parser.isSet(output) || parser.isSet(size) || parser.isSet(time) ||
                               parser.isSet(device) || parser.isSet(texture) || parser.isSet(animation);
    if (renderOptions && !parser.isSet(render))
        return invalid(QStringLiteral(
            "--output, --size, --time, --device, --texture, --look and --animation go with --render."));
    // The window takes --look for a FILE it shows.
    const bool windowMode = !parser.isSet(info) && !parser.isSet(render) && !parser.isSet(thumbnail);
    if (parser.isSet(look) && !parser.isSet(render) && !(windowMode && positional.size() == 1))
        return invalid(QStringLiteral("--look goes with --render or with a FILE to show."));
    std::optional<Look> chosenLook;
    if (parser.isSet(look)) {
        const QString kind = parser.value(look);
        if (kind != QLatin1String("viewer") && kind != QLatin1String("authored"))
            return invalid(QStringLiteral("--look must be viewer or authored."));
        chosenLook = kind == QLatin1String("authored") ? Look::Authored : Look::Viewer;
    }

    if (parser.isSet(info)) {
        if (positional.isEmpty())
            return invalid(QStringLiteral("--info needs at least one FILE."));
        line.mode = Mode::Info;
        // The bytes as given, so that any file name the system has opens.
        for (const QString& file : positional)
            for (int i = 1; i < argc; ++i)
                if (QString::fromLocal8Bit(argv[i]) == file) {
                    line.files.emplace_back(argv[i]);
                    break;
                }
        return line;
    }

    RenderRequest& request = line.render;
    if (parser.isSet(thumbnail)) {
        int side = 0;
        if (positional.size() != 3)
            return invalid(QStringLiteral("--thumbnail needs INPUT OUTPUT SIZE."));
        if (!parseSide(positional[2], side))
            return invalid(QStringLiteral("SIZE must be a whole number from 1 to %1.").arg(kMaxSide));
        line.mode = Mode::Thumbnail;
        // File managers hand over a path (%i) or a file URI (%u).
        const QUrl input(positional[0]);
        request.model = input.isLocalFile() ? input.toLocalFile() : positional[0];
        request.output = positional[1];
        request.size = QSize(side, side);
        request.deviceType = 2;
        request.look = Look::Authored;
        return line;
    }

    if (parser.isSet(render)) {
        if (!positional.isEmpty())
            return invalid(QStringLiteral("Unexpected argument '%1'.").arg(positional[0]));
        request.model = parser.value(render);
        request.output = parser.value(output);
        if (request.model.isEmpty() || request.output.isEmpty())
            return invalid(QStringLiteral("--render needs a MODEL and --output OUT."));
        if (parser.isSet(size)) {
            const QStringList sides = parser.value(size).split(QLatin1Char('x'));
            int w = 0, h = 0;
            if (sides.size() != 2 || !parseSide(sides[0], w) || !parseSide(sides[1], h))
                return invalid(QStringLiteral("--size must be WxH, each side from 1 to %1.").arg(kMaxSide));
            request.size = QSize(w, h);
        }
        if (parser.isSet(device)) {
            const QString kind = parser.value(device);
            if (kind != QLatin1String("hal") && kind != QLatin1String("ref"))
                return invalid(QStringLiteral("--device must be hal or ref."));
            request.deviceType = kind == QLatin1String("hal") ? 1 : 2;
        }
        request.texture = parser.value(texture);
        if (chosenLook)
            request.look = *chosenLook;
        if (parser.isSet(time)) {
            bool ok = false;
            request.time = parser.value(time).toDouble(&ok);
            // "nan" and "inf" read as numbers, but no clock shows them. The
            // viewer's clock is a time of day; an animation's time is any
            // time from its start (the set loops).
            if (request.look == Look::Authored) {
                if (!ok || !(*request.time >= 0 && std::isfinite(*request.time)))
                    return invalid(QStringLiteral("--time must be a number of seconds from 0 on."));
            } else if (!ok || !(*request.time >= 0 && *request.time <= kSecondsPerDay)) {
                return invalid(
                    QStringLiteral("--time must be a number of seconds from 0 to %1.").arg(kSecondsPerDay));
            }
        }
        // The authored look takes its textures from the model's file.
        if (request.look == Look::Authored && !request.texture.isEmpty())
            return invalid(QStringLiteral("--texture goes with --look viewer."));
        if (parser.isSet(animation)) {
            if (request.look != Look::Authored)
                return invalid(QStringLiteral("--animation goes with --look authored."));
            request.animation = parser.value(animation);
            if (request.animation.isEmpty())
                return invalid(QStringLiteral("--animation needs a set's NAME or INDEX."));
        }
        line.mode = Mode::Render;
        return line;
    }

    if (positional.size() > 1)
        return invalid(QStringLiteral("Give at most one FILE.x to show."));
    // A user's file is shown as the file describes it, unless --look viewer.
    if (!positional.isEmpty()) {
        request.model = positional[0];
        request.look = chosenLook.value_or(Look::Authored);
    }
    return line;
}

}  // namespace app
