// The compiled type library's reading side. The bytes come from a file and
// may be damaged in any way: every offset, count, run and reference is
// checked before it is followed, and the first fault found is reported.
#include <QSet>
#include <QStringDecoder>

#include "com/ByteReader.h"
#include "com/TypeLib.h"

namespace com {

namespace {
constexpr uint32_t kHeaderSize = 108;
constexpr uint32_t kImportSize = 32, kTypeSize = 56, kRefSize = 28, kMemberSize = 24,
                   kParamSize = 12;
constexpr uint16_t kThisLibrary = 0xFFFF;

struct Table {
    uint32_t offset = 0, count = 0;
    quint64 at(uint32_t index, uint32_t recordSize) const {
        return quint64(offset) + quint64(index) * recordSize;
    }
};

bool knownDataType(uint16_t t) {
    switch (DataType(t)) {
        case DataType::Int16:
        case DataType::Int32:
        case DataType::Bool:
        case DataType::Void:
        case DataType::HResult:
            return true;
    }
    return false;
}

bool knownMemberKind(uint8_t k) {
    return k == uint8_t(MemberKind::Method) || k == uint8_t(MemberKind::PropertyGet) ||
           k == uint8_t(MemberKind::PropertyPut);
}

QString hex(quint64 v) { return QStringLiteral("0x") + QString::number(v, 16); }

class Decoder {
public:
    explicit Decoder(QByteArrayView bytes) : m_in(bytes) {}

    std::optional<TypeLibrary> run() {
        if (!header() || !imports() || !types() || !references()) return std::nullopt;
        if (m_in.overrun()) {
            fail(QStringLiteral("读取越界"));
            return std::nullopt;
        }
        return std::move(m_lib);
    }

    QString error;

private:
    bool fail(const QString& what) {
        error = QStringLiteral("类型库已损坏: ") + what;
        return false;
    }

    bool header() {
        if (m_in.size() < kHeaderSize) {
            error = QStringLiteral("类型库不完整: 只有 %1 字节, 头部就需要 %2 字节")
                        .arg(m_in.size())
                        .arg(kHeaderSize);
            return false;
        }
        if (m_in.bytes(0, 4) != QByteArrayView("RTLB")) {
            error = QStringLiteral("不是类型库: 开头的标识不是 \"RTLB\"");
            return false;
        }
        if (const uint16_t major = m_in.u16(4); major != 1) {
            error = QStringLiteral("不支持的类型库格式版本 %1.%2").arg(major).arg(m_in.u16(6));
            return false;
        }
        const uint32_t total = m_in.u32(8);
        if (total > m_in.size()) {
            error = QStringLiteral("类型库不完整: 应有 %1 字节, 只有 %2 字节")
                        .arg(total)
                        .arg(m_in.size());
            return false;
        }
        if (total != m_in.size())
            return fail(
                QStringLiteral("长度字段为 %1 字节, 数据却有 %2 字节").arg(total).arg(m_in.size()));
        if (m_in.u32(12) != 0 || m_in.u16(42) != 0)
            return fail(QStringLiteral("头部的保留字段不为零"));

        const char* names[] = {"字符串表", "导入表", "类型表", "引用表", "成员表", "参数表"};
        const uint32_t sizes[] = {1, kImportSize, kTypeSize, kRefSize, kMemberSize, kParamSize};
        Table* tables[] = {&m_strings, &m_imports, &m_types, &m_refs, &m_members, &m_params};
        for (int i = 0; i < 6; ++i) {
            const Table t{m_in.u32(60 + 8 * i), m_in.u32(64 + 8 * i)};
            const quint64 length = quint64(t.count) * sizes[i];
            if (t.offset < kHeaderSize || !m_in.contains(t.offset, length))
                return fail(QStringLiteral("%1 (偏移 %2, %3 项) 超出类型库范围 (%4 字节)")
                                .arg(QString::fromUtf8(names[i]), hex(t.offset))
                                .arg(t.count)
                                .arg(m_in.size()));
            *tables[i] = t;
        }

        m_lib.id = m_in.guid(16);
        m_lib.major = m_in.u16(32);
        m_lib.minor = m_in.u16(34);
        m_lib.locale = m_in.u32(36);
        m_lib.flags = m_in.u16(40);
        return text(44, QStringLiteral("库名"), &m_lib.name) &&
               text(52, QStringLiteral("库的帮助文字"), &m_lib.helpString, true) &&
               notEmpty(m_lib.name, QStringLiteral("库名"));
    }

    // A string reference at `at`, resolved in the string table.
    bool text(quint64 at, const QString& what, QString* out, bool mayBeEmpty = true) {
        const uint32_t offset = m_in.u32(at), length = m_in.u32(at + 4);
        if (offset > m_strings.count || length > m_strings.count - offset)
            return fail(QStringLiteral("%1的文字 (偏移 %2, %3 字节) 超出字符串表")
                            .arg(what, hex(offset))
                            .arg(length));
        const QByteArrayView utf8 = m_in.bytes(quint64(m_strings.offset) + offset, length);
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        *out = decode(utf8);
        if (decode.hasError() || utf8.contains('\0'))
            return fail(QStringLiteral("%1的文字不是有效的 UTF-8").arg(what));
        return mayBeEmpty || notEmpty(*out, what);
    }

    bool notEmpty(const QString& s, const QString& what) {
        return !s.isEmpty() || fail(QStringLiteral("%1为空").arg(what));
    }

    bool imports() {
        for (uint32_t i = 0; i < m_imports.count; ++i) {
            const quint64 at = m_imports.at(i, kImportSize);
            TypeLibImport imp{
                m_in.guid(at), m_in.u16(at + 16), m_in.u16(at + 18), m_in.u32(at + 20), {}};
            if (!text(at + 24, QStringLiteral("导入 %1 的名字").arg(i), &imp.name, false))
                return false;
            m_lib.imports.append(imp);
        }
        return true;
    }

    // Each type owns the next run of a table: check that the run starts
    // where the previous one ended and stays inside the table.
    bool run(uint32_t first, uint32_t count, uint32_t* next, const Table& table,
             const QString& owner, const QString& what) {
        if (first != *next || count > table.count - first)
            return fail(QStringLiteral("%1的%2 (从 %3 起 %4 项) 不在表中应在的位置 (表有 %5 项)")
                            .arg(owner, what)
                            .arg(first)
                            .arg(count)
                            .arg(table.count));
        *next = first + count;
        return true;
    }

    bool types() {
        uint32_t nextMember = 0, nextRef = 0;
        QSet<QByteArray> seen;
        for (uint32_t i = 0; i < m_types.count; ++i) {
            const quint64 at = m_types.at(i, kTypeSize);
            TypeLibType t;
            t.id = m_in.guid(at);
            const uint8_t kind = m_in.u8(at + 16);
            t.flags = m_in.u16(at + 18);
            t.major = m_in.u16(at + 20);
            t.minor = m_in.u16(at + 22);
            QString owner = QStringLiteral("类型 %1").arg(i);
            if (!text(at + 24, owner + QStringLiteral(" 的名字"), &t.name, false) ||
                !text(at + 32, owner + QStringLiteral(" 的帮助文字"), &t.helpString))
                return false;
            owner = QStringLiteral("类型 %1 (%2) ").arg(i).arg(t.name);
            if (kind < uint8_t(TypeKind::Class) || kind > uint8_t(TypeKind::DispatchInterface))
                return fail(owner + QStringLiteral("的种类 %1 未知").arg(kind));
            t.kind = TypeKind(kind);
            if (m_in.u8(at + 17) != 0) return fail(owner + QStringLiteral("的保留字段不为零"));
            if (t.flags & ~TypeFlags::All)
                return fail(owner + QStringLiteral("的标志 %1 含未知位").arg(hex(t.flags)));
            const QByteArray key(reinterpret_cast<const char*>(t.id.bytes.data()), 16);
            if (seen.contains(key))
                return fail(owner + QStringLiteral("的标识符 %1 重复").arg(t.id.toString()));
            seen.insert(key);

            const uint32_t firstMember = m_in.u32(at + 40), memberCount = m_in.u32(at + 44);
            const uint32_t firstRef = m_in.u32(at + 48), refCount = m_in.u32(at + 52);
            if (!run(firstMember, memberCount, &nextMember, m_members, owner,
                     QStringLiteral("成员")) ||
                !run(firstRef, refCount, &nextRef, m_refs, owner, QStringLiteral("引用")))
                return false;
            if (t.kind == TypeKind::Class && memberCount != 0)
                return fail(owner + QStringLiteral("是类, 却有成员"));
            for (uint32_t m = 0; m < memberCount; ++m) {
                if (!member(firstMember + m, m, t, owner)) return false;
            }
            for (uint32_t r = 0; r < refCount; ++r) {
                if (!reference(firstRef + r, t, owner)) return false;
            }
            m_lib.types.append(std::move(t));
        }
        if (nextMember != m_members.count || nextRef != m_refs.count)
            return fail(QStringLiteral("成员表或引用表中有不属于任何类型的记录"));
        if (m_nextParam != m_params.count)
            return fail(QStringLiteral("参数表中有不属于任何成员的记录"));
        return true;
    }

    bool member(uint32_t index, uint32_t position, TypeLibType& type, const QString& owner) {
        const quint64 at = m_members.at(index, kMemberSize);
        TypeLibMember m;
        m.dispId = DispId(m_in.u32(at));
        const uint8_t kind = m_in.u8(at + 4);
        m.slot = m_in.u16(at + 6);
        const QString where = owner + QStringLiteral("的成员 %1").arg(position);
        if (!text(at + 8, where + QStringLiteral(" 的名字"), &m.name, false)) return false;
        const QString named = where + QStringLiteral(" (%1) ").arg(m.name);
        if (!knownMemberKind(kind)) return fail(named + QStringLiteral("的种类 %1 未知").arg(kind));
        m.kind = MemberKind(kind);
        if (m_in.u8(at + 5) != 0) return fail(named + QStringLiteral("的保留字段不为零"));
        const uint16_t returnType = m_in.u16(at + 16);
        if (!knownDataType(returnType))
            return fail(named + QStringLiteral("的返回类型 %1 未知").arg(returnType));
        m.returnType = DataType(returnType);
        const uint16_t expectedSlot =
            type.kind == TypeKind::Interface ? uint16_t(position) : kNoSlot;
        if (m.slot != expectedSlot)
            return fail(named +
                        QStringLiteral("的槽位 %1 不对, 应为 %2").arg(m.slot).arg(expectedSlot));

        const uint32_t paramCount = m_in.u16(at + 18), firstParam = m_in.u32(at + 20);
        if (!run(firstParam, paramCount, &m_nextParam, m_params, named, QStringLiteral("参数")))
            return false;
        for (uint32_t p = 0; p < paramCount; ++p) {
            const quint64 pat = m_params.at(firstParam + p, kParamSize);
            TypeLibParam param;
            const QString pwhere = named + QStringLiteral("的参数 %1").arg(p);
            if (!text(pat, pwhere + QStringLiteral(" 的名字"), &param.name, false)) return false;
            const uint16_t ptype = m_in.u16(pat + 8);
            if (!knownDataType(ptype) || DataType(ptype) == DataType::Void ||
                DataType(ptype) == DataType::HResult)
                return fail(pwhere + QStringLiteral(" 的类型 %1 不能用作参数").arg(ptype));
            param.type = DataType(ptype);
            param.flags = m_in.u16(pat + 10);
            if (param.flags & ~ParamFlags::All)
                return fail(pwhere + QStringLiteral(" 的标志 %1 含未知位").arg(hex(param.flags)));
            m.params.append(param);
        }
        type.members.append(std::move(m));
        return true;
    }

    bool reference(uint32_t index, TypeLibType& type, const QString& owner) {
        const quint64 at = m_refs.at(index, kRefSize);
        TypeLibRef r;
        r.id = m_in.guid(at);
        const uint16_t import = m_in.u16(at + 16);
        r.flags = m_in.u16(at + 18);
        const QString where = owner + QStringLiteral("的引用 %1").arg(r.id.toString());
        if (!text(at + 20, where + QStringLiteral(" 的名字"), &r.name, false)) return false;
        if (r.flags & ~RefFlags::All)
            return fail(where + QStringLiteral(" 的标志 %1 含未知位").arg(hex(r.flags)));
        const bool base = r.flags & RefFlags::Base;
        if (base != (type.kind != TypeKind::Class) || (base && r.flags != RefFlags::Base))
            return fail(where + QStringLiteral(" 的标志 %1 与类型的种类不符").arg(hex(r.flags)));
        if (import != kThisLibrary && import >= m_lib.imports.size())
            return fail(where + QStringLiteral(" 指向不存在的导入 %1").arg(import));
        r.import = import == kThisLibrary ? -1 : int(import);
        type.refs.append(std::move(r));
        return true;
    }

    // References into this library can only be resolved once every type is
    // known.
    bool references() {
        for (const TypeLibType& t : m_lib.types) {
            for (const TypeLibRef& r : t.refs) {
                if (r.import >= 0) continue;
                const TypeLibType* target = m_lib.find(r.id);
                if (!target || target->kind == TypeKind::Class || target->name != r.name)
                    return fail(QStringLiteral("类型 %1 引用的接口 %2 (%3) 不在库中")
                                    .arg(t.name, r.name, r.id.toString()));
            }
        }
        return true;
    }

    ByteReader m_in;
    TypeLibrary m_lib;
    Table m_strings, m_imports, m_types, m_refs, m_members, m_params;
    uint32_t m_nextParam = 0;
};
}  // namespace

std::optional<TypeLibrary> decodeTypeLib(QByteArrayView bytes, QString* error) {
    Decoder decoder(bytes);
    std::optional<TypeLibrary> lib = decoder.run();
    if (!lib && error) *error = decoder.error;
    return lib;
}

}  // namespace com
