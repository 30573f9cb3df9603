// testcontainer: the control test container. Creates a control by its
// programmatic identifier and shows what it does; every event it raises is
// also written to standard output, one a line, so a script can follow it.
//
//   testcontainer [--width twips] [--height twips] [progid]
#include <QApplication>
#include <QCommandLineParser>

#include "ContainerWindow.h"
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
    options.addOption(width);
    options.addOption(height);
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
    window.createControl();
    const int status = app.exec();
    errors::setLastResortHandler({});
    return status;
}
