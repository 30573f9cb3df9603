#include "TypeLibSource.h"

#include <QHash>

#include "ScriptLines.h"
#include "com/ComponentServer.h"

namespace {

using com::TypeLibrary;
using com::TypeLibType;

class Parser {
public:
    explicit Parser(const QString& path) : m_path(path) {}

    TypeLibrary run() {
        for (const ScriptLine& line : readScript(m_path)) {
            m_line = &line;
            m_at = 0;
            statement();
        }
        if (m_open) fail(QStringLiteral("\"%1\" is not closed with end").arg(m_open->name));
        if (m_lib.name.isEmpty()) fail(QStringLiteral("no library statement"));
        for (TypeLibType& t : m_lib.types) {
            for (com::TypeLibRef& r : t.refs) {
                if (r.import >= 0) continue;
                const TypeLibType* target = m_lib.findByName(r.name);
                if (!target || target->kind == com::TypeKind::Class)
                    fail(QStringLiteral("%1 implements %2, which is no interface of this library")
                             .arg(t.name, r.name));
                r.id = target->id;
            }
        }
        return m_lib;
    }

private:
    [[noreturn]] void fail(const QString& message) const {
        throw ScriptError(m_path, m_line ? m_line->number : 0, message);
    }

    bool atEnd() const { return m_at >= m_line->tokens.size(); }
    QString next(const QString& what) {
        if (atEnd()) fail(QStringLiteral("%1 expected").arg(what));
        return m_line->tokens[m_at++].text;
    }
    void expect(const QString& word) {
        if (next(word) != word) fail(QStringLiteral("\"%1\" expected").arg(word));
    }
    QString name(const QString& what) {
        const QString n = next(what);
        if (n.startsWith(u'{') || (n.size() == 1 && !n[0].isLetterOrNumber()))
            fail(QStringLiteral("%1 expected, found \"%2\"").arg(what, n));
        return n;
    }
    com::Guid guid() {
        const QString text = next(QStringLiteral("an identifier {...}"));
        const auto g = com::Guid::fromString(text);
        if (!g || !text.startsWith(u'{')) fail(QStringLiteral("\"%1\" is no identifier").arg(text));
        return *g;
    }
    void version(uint16_t* major, uint16_t* minor) {
        expect(QStringLiteral("version"));
        const QStringList parts = next(QStringLiteral("major.minor")).split(u'.');
        bool ok1 = false, ok2 = false;
        if (parts.size() == 2) {
            *major = parts[0].toUShort(&ok1);
            *minor = parts[1].toUShort(&ok2);
        }
        if (!ok1 || !ok2) fail(QStringLiteral("a version is major.minor"));
    }
    uint32_t number(const QString& what) {
        bool ok = false;
        const uint32_t n = next(what).toUInt(&ok, 0);
        if (!ok) fail(QStringLiteral("%1 expected").arg(what));
        return n;
    }
    // Trailing words that each set a flag.
    uint16_t flags(const QHash<QString, uint16_t>& known, uint32_t* locale = nullptr) {
        uint16_t out = 0;
        while (!atEnd()) {
            const QString word = next({});
            if (locale && word == u"locale") {
                *locale = number(QStringLiteral("a locale number"));
                continue;
            }
            if (!known.contains(word)) fail(QStringLiteral("unknown attribute \"%1\"").arg(word));
            out |= known.value(word);
        }
        return out;
    }
    void endOfLine() {
        if (!atEnd()) fail(QStringLiteral("unexpected \"%1\"").arg(next({})));
    }

    void statement() {
        const QString keyword = next({});
        if (keyword == u"library") return library();
        if (keyword == u"helpstring") return helpString();
        if (keyword == u"import") return import();
        if (keyword == u"interface" || keyword == u"dispinterface" || keyword == u"coclass")
            return type(keyword);
        if (keyword == u"end") {
            if (!m_open) fail(QStringLiteral("end without a type"));
            m_open = nullptr;
            return endOfLine();
        }
        if (!m_open) fail(QStringLiteral("unknown statement \"%1\"").arg(keyword));
        if (keyword == u"base") return base();
        if (keyword == u"implements") return implements();
        if (keyword == u"method" || keyword == u"propget" || keyword == u"propput")
            return member(keyword);
        fail(QStringLiteral("unknown statement \"%1\"").arg(keyword));
    }

    void library() {
        if (!m_lib.name.isEmpty()) fail(QStringLiteral("a second library statement"));
        m_lib.name = name(QStringLiteral("the library's name"));
        m_lib.id = guid();
        version(&m_lib.major, &m_lib.minor);
        m_lib.flags = flags({{QStringLiteral("restricted"), com::TypeLibFlags::Restricted},
                             {QStringLiteral("control"), com::TypeLibFlags::Control},
                             {QStringLiteral("hidden"), com::TypeLibFlags::Hidden}},
                            &m_lib.locale);
        m_helpTarget = &m_lib.helpString;
    }

    void helpString() {
        if (!m_helpTarget) fail(QStringLiteral("helpstring before anything it could describe"));
        if (atEnd() || !m_line->tokens[m_at].quoted) fail(QStringLiteral("\"text\" expected"));
        *m_helpTarget = next({});
        endOfLine();
    }

    void import() {
        com::TypeLibImport i;
        i.name = name(QStringLiteral("the imported library's name"));
        i.id = guid();
        version(&i.major, &i.minor);
        flags({}, &i.locale);
        m_lib.imports.append(i);
    }

    void type(const QString& keyword) {
        if (m_open) fail(QStringLiteral("\"%1\" is not closed with end").arg(m_open->name));
        if (m_lib.name.isEmpty()) fail(QStringLiteral("a type before the library statement"));
        TypeLibType t;
        t.name = name(QStringLiteral("the type's name"));
        if (m_lib.findByName(t.name)) fail(QStringLiteral("%1 is defined twice").arg(t.name));
        t.id = guid();
        QHash<QString, uint16_t> known{{QStringLiteral("hidden"), com::TypeFlags::Hidden}};
        if (keyword == u"coclass") {
            t.kind = com::TypeKind::Class;
            known.insert(QStringLiteral("control"), com::TypeFlags::Control);
            known.insert(QStringLiteral("cancreate"), com::TypeFlags::CanCreate);
            if (!atEnd() && m_line->tokens[m_at].text == u"version") version(&t.major, &t.minor);
        } else {
            t.kind = keyword == u"interface" ? com::TypeKind::Interface
                                             : com::TypeKind::DispatchInterface;
            if (t.kind == com::TypeKind::Interface)
                known.insert(QStringLiteral("dual"), com::TypeFlags::Dual);
            version(&t.major, &t.minor);
        }
        t.flags = flags(known);
        m_lib.types.append(t);
        m_open = &m_lib.types.last();
        m_helpTarget = &m_open->helpString;
    }

    void base() {
        if (m_open->kind == com::TypeKind::Class) fail(QStringLiteral("a class has no base"));
        if (!m_open->refs.isEmpty()) fail(QStringLiteral("a second base"));
        const QString qualified = name(QStringLiteral("import.interface"));
        const qsizetype dot = qualified.indexOf(u'.');
        com::TypeLibRef r{
            .id = guid(), .name = qualified.mid(dot + 1), .flags = com::RefFlags::Base};
        for (qsizetype i = 0; i < m_lib.imports.size(); ++i)
            if (dot > 0 && m_lib.imports[i].name == qualified.left(dot)) r.import = int(i);
        if (r.import < 0)
            fail(QStringLiteral("\"%1\" names no imported library (import.interface)")
                     .arg(qualified));
        endOfLine();
        m_open->refs.append(r);
    }

    void implements() {
        if (m_open->kind != com::TypeKind::Class)
            fail(QStringLiteral("only a coclass implements interfaces"));
        com::TypeLibRef r{.name = name(QStringLiteral("an interface's name"))};
        r.flags = flags({{QStringLiteral("default"), com::RefFlags::Default},
                         {QStringLiteral("source"), com::RefFlags::Source}});
        m_open->refs.append(r);
    }

    com::DataType dataType(const QString& word) {
        static const QHash<QString, com::DataType> types{
            {QStringLiteral("int16"), com::DataType::Int16},
            {QStringLiteral("int32"), com::DataType::Int32},
            {QStringLiteral("bool"), com::DataType::Bool},
            {QStringLiteral("void"), com::DataType::Void},
            {QStringLiteral("hresult"), com::DataType::HResult}};
        if (!types.contains(word)) fail(QStringLiteral("unknown type \"%1\"").arg(word));
        return types.value(word);
    }

    void member(const QString& kind) {
        if (m_open->kind == com::TypeKind::Class) fail(QStringLiteral("a class has no members"));
        com::TypeLibMember m;
        m.kind = kind == u"method"    ? com::MemberKind::Method
                 : kind == u"propget" ? com::MemberKind::PropertyGet
                                      : com::MemberKind::PropertyPut;
        bool ok = false;
        m.dispId = next(QStringLiteral("a dispatch identifier")).toInt(&ok);
        if (!ok) fail(QStringLiteral("a dispatch identifier is a 32-bit number"));
        m.returnType = dataType(next(QStringLiteral("a return type")));
        m.name = name(QStringLiteral("the member's name"));
        expect(QStringLiteral("("));
        while (atEnd() || m_line->tokens[m_at].text != u")") {
            if (!m.params.isEmpty()) expect(QStringLiteral(","));
            com::TypeLibParam p;
            QString word = next(QStringLiteral("a parameter"));
            static const QHash<QString, uint16_t> direction{
                {QStringLiteral("in"), com::ParamFlags::In},
                {QStringLiteral("out"), com::ParamFlags::Out},
                {QStringLiteral("retval"), com::ParamFlags::RetVal}};
            while (direction.contains(word)) {
                p.flags |= direction.value(word);
                word = next(QStringLiteral("a parameter's type"));
            }
            p.type = dataType(word);
            if (p.type == com::DataType::Void || p.type == com::DataType::HResult)
                fail(QStringLiteral("a parameter cannot be of type %1").arg(word));
            if (!atEnd() && m_line->tokens[m_at].text == u"*") {
                ++m_at;
                p.flags |= com::ParamFlags::ByRef;
            }
            p.name = name(QStringLiteral("a parameter's name"));
            m.params.append(p);
        }
        expect(QStringLiteral(")"));
        endOfLine();
        if (m_open->kind == com::TypeKind::Interface) m.slot = uint16_t(m_open->members.size());
        m_open->members.append(m);
    }

    QString m_path;
    const ScriptLine* m_line = nullptr;
    qsizetype m_at = 0;
    TypeLibrary m_lib;
    TypeLibType* m_open = nullptr;
    QString* m_helpTarget = nullptr;
};

}  // namespace

com::TypeLibrary parseTypeLibSource(const QString& path) { return Parser(path).run(); }
