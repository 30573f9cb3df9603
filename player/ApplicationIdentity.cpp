#include "ApplicationIdentity.h"

#include <QGuiApplication>

void setApplicationIdentity() {
    QGuiApplication::setApplicationName(QStringLiteral("ravelle"));
    QGuiApplication::setApplicationVersion(QStringLiteral("1.3.0.24"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ravelle.Ravelle"));
}
