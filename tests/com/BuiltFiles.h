#pragma once

#include <dlfcn.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "com/Resources.h"

// The files the build made, read as files: the tests never link them.
inline const QString kQuilletFile = QStringLiteral(QUILLET_PATH);

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Really mapped in this process, not just remembered by the platform.
inline bool mapped(const QString& path) {
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

// The resource section of the built slider library and its TYPELIB 1, or
// empty bytes when they are missing (the test then fails on that).
inline com::ResourceTable quilletResources() {
    QString error;
    return com::readResources(kQuilletFile, &error).value_or(com::ResourceTable{});
}
inline QByteArray quilletTypeLibBytes() {
    const com::ResourceTable table = quilletResources();
    const com::Resource* typeLib = table.find(u"TYPELIB", 1);
    return typeLib ? typeLib->data : QByteArray();
}
