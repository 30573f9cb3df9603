// testcontainer: the control test container. Creates a control by its
// programmatic identifier and shows what it does; every event it raises and
// every notification and error it passes to the host is also written to
// standard output, one a line.
//
//   testcontainer [--width twips] [--height twips] [progid]
//   testcontainer --script FILE|- [--echo]
//
// With --script the container runs the commands of FILE (or of standard
// input) instead of waiting for the user: see SCRIPT.md beside this file.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "ContainerWindow.h"
#include "ScriptRunner.h"
#include "ScriptSource.h"
#include "errors/EventDispatch.h"
#include "forms/CloseOnSignals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("testcontainer"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("控件测试容器"));
    options.addHelpOption();
    const QCommandLineOption width(QStringLiteral("width"), QStringLiteral("控件宽度 (twip)"),
                                   QStringLiteral("twips"), QStringLiteral("2385"));
    const QCommandLineOption height(QStringLiteral("height"), QStringLiteral("控件高度 (twip)"),
                                    QStringLiteral("twips"), QStringLiteral("225"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("运行脚本文件 (- 为标准输入)"),
                                    QStringLiteral("file"));
    const QCommandLineOption echo(QStringLiteral("echo"), QStringLiteral("在回答之前写出每条命令"));
    options.addOptions({width, height, script, echo});
    options.addPositionalArgument(QStringLiteral("progid"), QStringLiteral("控件的 ProgID"));
    options.process(app);

    const QStringList positional = options.positionalArguments();
    const QString progId =
        positional.isEmpty() ? QStringLiteral("工程1.NewHscrollbar") : positional.first();
    ContainerWindow window(progId, options.value(width).toFloat(), options.value(height).toFloat());
    // Errors from the control's input handlers are shown in the container,
    // not in a message box that would stop the events.
    errors::setLastResortHandler([&window](const errors::RuntimeError& e) {
        window.reportError(e.number(), e.description());
    });
    forms::closeOnSignals(&window);
    window.show();

    std::unique_ptr<ScriptRunner> runner;
    if (options.isSet(script)) {
        QString error;
        std::unique_ptr<ScriptSource> source = ScriptSource::open(options.value(script), &error);
        if (!source) {
            std::fprintf(stderr, "testcontainer: %s\n", qPrintable(error));
            errors::setLastResortHandler({});
            return 2;
        }
        // Keys go to the focused window: a person would have clicked it.
        window.activateWindow();
        runner = std::make_unique<ScriptRunner>(window, std::move(source), options.isSet(echo));
        runner->finished = [](int status) { QCoreApplication::exit(status); };
    } else {
        window.createControl();
    }
    const int status = app.exec();
    runner.reset();
    errors::setLastResortHandler({});
    return status;
}
