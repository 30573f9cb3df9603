#include "PropertyBagFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {
QString typeName(com::VarType type) {
    switch (type) {
        case com::VarType::Int16:
            return QStringLiteral("I2");
        case com::VarType::Int32:
            return QStringLiteral("I4");
        case com::VarType::Single:
            return QStringLiteral("R4");
        case com::VarType::Double:
            return QStringLiteral("R8");
        case com::VarType::Bool:
            return QStringLiteral("Bool");
        default:
            return QStringLiteral("Str");
    }
}

// Floating-point values keep every digit, so a bag reads back equal.
QString valueText(const com::Variant& value) {
    if (value.type() == com::VarType::Single) return QString::number(value.toSingle(), 'g', 9);
    if (value.type() == com::VarType::Double) return QString::number(value.toDouble(), 'g', 17);
    return value.toString();
}

QString escaped(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
}

QString unescaped(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == u'n' ? QChar(u'\n') : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<com::Variant> parseValue(const QString& type, const QString& text) {
    bool ok = false;
    if (type == u"I2") {
        const int v = text.toInt(&ok);
        if (ok && v >= INT16_MIN && v <= INT16_MAX) return com::Variant(int16_t(v));
    } else if (type == u"I4") {
        const int32_t v = text.toInt(&ok);
        if (ok) return com::Variant(v);
    } else if (type == u"R4") {
        const float v = text.toFloat(&ok);
        if (ok) return com::Variant(v);
    } else if (type == u"R8") {
        const double v = text.toDouble(&ok);
        if (ok) return com::Variant(v);
    } else if (type == u"Bool") {
        if (text == u"True") return com::Variant(true);
        if (text == u"False") return com::Variant(false);
    } else if (type == u"Str") {
        return com::Variant(unescaped(text));
    }
    return std::nullopt;
}
}  // namespace

bool writeBagFile(const hosting::PropertyBag& bag, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QTextStream out(&file);
    for (const QString& name : bag.names()) {
        const com::Variant value = bag.ReadProperty(name);
        out << name << " = " << typeName(value.type()) << ':' << escaped(valueText(value)) << '\n';
    }
    out.flush();
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<hosting::PropertyBag> readBagFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return std::nullopt;
    }
    hosting::PropertyBag bag;
    QTextStream in(&file);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#')) continue;
        const qsizetype equals = line.indexOf(u'=');
        const qsizetype colon = equals < 0 ? -1 : line.indexOf(u':', equals);
        const QString name = line.left(equals).trimmed();
        std::optional<com::Variant> value;
        if (colon > 0 && !name.isEmpty())
            value =
                parseValue(line.mid(equals + 1, colon - equals - 1).trimmed(), line.mid(colon + 1));
        if (!value) {
            *error = QStringLiteral("第 %1 行不是属性值: %2").arg(number).arg(line);
            return std::nullopt;
        }
        bag.WriteProperty(name, *value);
    }
    return bag;
}
