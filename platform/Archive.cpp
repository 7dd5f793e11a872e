#include "platform/Archive.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kavitro {

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
// The framework's last valid index (nMaxMapCount).
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFEu;
// The framework loads class names into a 64-character buffer.
constexpr std::size_t kMaxClassNameLength = 63;

}  // namespace

// --- CRuntimeClass, registry, CObject ----------------------------------------------

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->GetBaseClass()) {
        if (c == base)
            return true;
    }
    return false;
}

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

ClassRegistry& ClassRegistry::Global() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::Register(const CRuntimeClass& cls) {
    if (!cls.IsSerializable())
        throw std::logic_error(std::string("class is not serializable: ") + cls.m_lpszClassName);
    const std::string_view name(cls.m_lpszClassName);
    if (name.empty() || name.size() > kMaxClassNameLength)
        throw std::logic_error("class name empty or too long to be stored: " + std::string(name));
    auto it = m_classes.find(name);
    if (it != m_classes.end()) {
        if (it->second != &cls)
            throw std::logic_error("two classes registered under one name: " + std::string(name));
        return;
    }
    m_classes.emplace(std::string(name), &cls);
}

const CRuntimeClass* ClassRegistry::FromName(std::string_view name) const {
    auto it = m_classes.find(name);
    return it == m_classes.end() ? nullptr : it->second;
}

const CRuntimeClass& CObject::GetThisClass() {
    static constinit const CRuntimeClass c{"CObject", CRuntimeClass::kNotSerializable, false, nullptr, nullptr};
    return c;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &GetThisClass(); }

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

// --- Construction ----------------------------------------------------------------

CArchive::CArchive(bool loading, std::span<const std::uint8_t> bytes, std::vector<std::uint8_t> owned)
    : m_loading(loading), m_ownedInput(std::move(owned)), m_registry(&ClassRegistry::Global()) {
    if (m_loading) {
        m_data = m_ownedInput.empty() ? bytes.data() : m_ownedInput.data();
        m_size = m_ownedInput.empty() ? bytes.size() : m_ownedInput.size();
        m_loadArray.emplace_back();  // index 0: the null object
    }
}

CArchive::~CArchive() = default;

CArchive CArchive::ForStoring() { return CArchive(false, {}, {}); }

CArchive CArchive::ForLoading(std::span<const std::uint8_t> bytes) { return CArchive(true, bytes, {}); }

CArchive CArchive::ForLoading(std::vector<std::uint8_t>&& bytes) { return CArchive(true, {}, std::move(bytes)); }

// --- Errors and bounds -----------------------------------------------------------------

void CArchive::Throw(ArchiveException::Cause cause, const char* what) const {
    throw ArchiveException(cause, what, m_fileName);
}

void CArchive::CheckLoading() const {
    if (!m_loading)
        Throw(ArchiveException::Cause::WriteOnly, "archive: reading from an archive that is storing");
}

void CArchive::CheckStoring() const {
    if (m_loading)
        Throw(ArchiveException::Cause::ReadOnly, "archive: writing into an archive that is loading");
}

void CArchive::EnsureAvailable(std::size_t n) const {
    CheckLoading();
    if (n > m_size - m_pos)
        Throw(ArchiveException::Cause::EndOfFile, "archive: unexpected end of the stream");
}

std::size_t CArchive::CheckCount(std::uint64_t count, std::size_t minBytesPerElement) const {
    CheckLoading();
    if (minBytesPerElement == 0)
        throw InvalidArgumentException("CArchive::CheckCount: an element takes at least one byte");
    if (count > (m_size - m_pos) / minBytesPerElement)
        Throw(ArchiveException::Cause::EndOfFile, "archive: count larger than the rest of the stream");
    return static_cast<std::size_t>(count);
}

// --- Raw bytes ---------------------------------------------------------------------------

std::size_t CArchive::Read(void* dst, std::size_t n) {
    CheckLoading();
    const std::size_t take = std::min(n, m_size - m_pos);
    if (take != 0) {
        std::memcpy(dst, m_data + m_pos, take);
        m_pos += take;
    }
    return take;
}

void CArchive::ReadExact(void* dst, std::size_t n) {
    EnsureAvailable(n);
    if (n != 0) {
        std::memcpy(dst, m_data + m_pos, n);
        m_pos += n;
    }
}

std::vector<std::uint8_t> CArchive::ReadBytes(std::size_t n) {
    EnsureAvailable(n);
    std::vector<std::uint8_t> bytes(m_data + m_pos, m_data + m_pos + n);
    m_pos += n;
    return bytes;
}

std::span<const std::uint8_t> CArchive::ReadSpan(std::size_t n) {
    EnsureAvailable(n);
    const std::span<const std::uint8_t> bytes(m_data + m_pos, n);
    m_pos += n;
    return bytes;
}

void CArchive::Skip(std::size_t n) {
    EnsureAvailable(n);
    m_pos += n;
}

void CArchive::Write(const void* src, std::size_t n) {
    CheckStoring();
    if (n == 0)
        return;
    const auto* p = static_cast<const std::uint8_t*>(src);
    m_out.insert(m_out.end(), p, p + n);
}

// --- Counts and strings -----------------------------------------------------------------------

void CArchive::WriteCount(std::uint64_t count) {
    if (count < 0xFFFF) {
        WriteU16(static_cast<std::uint16_t>(count));
        return;
    }
    WriteU16(0xFFFF);
    if (count < 0xFFFFFFFFu) {
        WriteU32(static_cast<std::uint32_t>(count));
        return;
    }
    WriteU32(0xFFFFFFFFu);
    WriteU64(count);
}

std::uint64_t CArchive::ReadCount() {
    const std::uint16_t w = ReadU16();
    if (w != 0xFFFF)
        return w;
    const std::uint32_t dw = ReadU32();
    if (dw != 0xFFFFFFFFu)
        return dw;
    return ReadU64();
}

void CArchive::WriteString(std::u16string_view s) {
    CheckStoring();
    // The framework's AfxWriteStringLength with the Unicode tag.
    WriteU8(0xFF);
    WriteU16(0xFFFE);
    const std::uint64_t n = s.size();
    if (n < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(n));
    } else if (n < 0xFFFFFFFFu) {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(n));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(0xFFFFFFFFu);
        WriteU64(n);
    }
    m_out.reserve(m_out.size() + s.size() * 2);
    for (char16_t c : s) {
        m_out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        m_out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

// The framework's AfxReadStringLength.
std::uint64_t CArchive::ReadStringLength(bool& wide) {
    wide = false;
    std::uint8_t b = ReadU8();
    if (b < 0xFF)
        return b;
    std::uint16_t w = ReadU16();
    if (w == 0xFFFE) {
        // The Unicode tag: the length starts over.
        wide = true;
        b = ReadU8();
        if (b < 0xFF)
            return b;
        w = ReadU16();
    }
    if (w < 0xFFFF)
        return w;
    const std::uint32_t dw = ReadU32();
    if (dw < 0xFFFFFFFFu)
        return dw;
    return ReadU64();
}

std::u16string CArchive::ReadString() {
    bool wide = false;
    const std::uint64_t length = ReadStringLength(wide);
    const std::size_t n = CheckCount(length, wide ? 2 : 1);
    std::u16string s(n, u'\0');
    const std::uint8_t* p = m_data + m_pos;
    if (wide) {
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        m_pos += 2 * n;
    } else {
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char16_t>(p[i]);  // Latin-1
        m_pos += n;
    }
    return s;
}

// --- Objects --------------------------------------------------------------------------------

void CArchive::NextMapIndex() {
    if (m_nMapCount >= kMaxMapCount)
        Throw(ArchiveException::Cause::BadIndex, "archive: too many classes and objects");
    ++m_nMapCount;
}

void CArchive::WriteClass(const CRuntimeClass* cls) {
    CheckStoring();
    if (cls == nullptr || !cls->IsSerializable())
        throw NotSupportedException(std::string("archive: class cannot be stored: ") +
                                    (cls ? cls->m_lpszClassName : "(null)"));
    auto it = m_storeMap.find(cls);
    if (it != m_storeMap.end()) {
        const std::uint32_t index = it->second;
        if (index < kBigObjectTag) {
            WriteU16(static_cast<std::uint16_t>(kClassTag | index));
        } else {
            WriteU16(kBigObjectTag);
            WriteU32(kBigClassTag | index);
        }
        return;
    }
    const std::string_view name(cls->m_lpszClassName);
    WriteU16(kNewClassTag);
    WriteU16(cls->m_wSchema);
    WriteU16(static_cast<std::uint16_t>(name.size()));
    Write(name.data(), name.size());
    const std::uint32_t index = m_nMapCount;
    NextMapIndex();
    m_storeMap.emplace(cls, index);
}

void CArchive::WriteObject(const CObject* obj) {
    CheckStoring();
    if (obj == nullptr) {
        WriteU16(kNullTag);
        return;
    }
    auto it = m_storeMap.find(obj);
    if (it != m_storeMap.end()) {
        const std::uint32_t index = it->second;
        if (index < kBigObjectTag) {
            WriteU16(static_cast<std::uint16_t>(index));
        } else {
            WriteU16(kBigObjectTag);
            WriteU32(index);
        }
        return;
    }
    WriteClass(obj->GetRuntimeClass());
    const std::uint32_t index = m_nMapCount;
    NextMapIndex();
    m_storeMap.emplace(obj, index);
    // Storing does not change the object (the framework's WriteObject does the same).
    const_cast<CObject*>(obj)->Serialize(*this);
}

// Reads a tag. A class tag gives the class (new ones are entered in the
// index space) and its stored schema; an object tag gives null and the index
// in obTag, or BadIndex when obTag is null.
const CRuntimeClass* CArchive::ReadClassTag(const CRuntimeClass* requested, std::uint32_t& schema,
                                            std::uint32_t* obTag) {
    CheckLoading();
    if (requested != nullptr && !requested->IsSerializable())
        throw NotSupportedException(std::string("archive: class cannot be loaded: ") + requested->m_lpszClassName);

    const std::uint16_t wTag = ReadU16();
    std::uint32_t tag;
    if (wTag == kBigObjectTag)
        tag = ReadU32();
    else
        tag = (static_cast<std::uint32_t>(wTag & kClassTag) << 16) | (wTag & static_cast<std::uint16_t>(~kClassTag));

    if ((tag & kBigClassTag) == 0) {
        if (obTag == nullptr)
            Throw(ArchiveException::Cause::BadIndex, "archive: an object reference where a class is expected");
        *obTag = tag;
        return nullptr;
    }

    const CRuntimeClass* cls = nullptr;
    if (wTag == kNewClassTag) {
        const std::uint16_t storedSchema = ReadU16();
        const std::uint16_t nameLength = ReadU16();
        if (nameLength > kMaxClassNameLength)
            Throw(ArchiveException::Cause::BadClass, "archive: class name too long");
        EnsureAvailable(nameLength);
        const std::string_view name(reinterpret_cast<const char*>(m_data + m_pos), nameLength);
        m_pos += nameLength;
        cls = m_registry->FromName(name);
        if (cls == nullptr || !cls->IsSerializable())
            Throw(ArchiveException::Cause::BadClass, "archive: unknown class");
        if (storedSchema != cls->m_wSchema && !cls->m_bVersionable)
            Throw(ArchiveException::Cause::BadSchema, "archive: stored schema differs from the class's");
        schema = storedSchema;
        NextMapIndex();
        m_loadArray.push_back({LoadEntry::Kind::Class, cls, nullptr, storedSchema});
    } else {
        const std::uint32_t index = tag & ~kBigClassTag;
        if (index == 0 || index >= m_loadArray.size() || m_loadArray[index].kind != LoadEntry::Kind::Class)
            Throw(ArchiveException::Cause::BadIndex, "archive: class index names no class");
        cls = m_loadArray[index].cls;
        schema = m_loadArray[index].schema;
    }

    if (requested != nullptr && !cls->IsDerivedFrom(requested))
        Throw(ArchiveException::Cause::BadClass, "archive: class is not of the requested kind");
    return cls;
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* requested, std::uint32_t* schema) {
    std::uint32_t stored = 0;
    const CRuntimeClass* cls = ReadClassTag(requested, stored, nullptr);
    if (schema != nullptr)
        *schema = stored;
    else
        m_nObjectSchema = stored;
    return cls;
}

CArchive::ObjectOrReference CArchive::ReadObjectOrReference(const CRuntimeClass* requested) {
    std::uint32_t schema = 0;
    std::uint32_t obTag = 0;
    const CRuntimeClass* cls = ReadClassTag(requested, schema, &obTag);

    if (cls == nullptr) {
        if (obTag >= m_loadArray.size())
            Throw(ArchiveException::Cause::BadIndex, "archive: object index beyond the objects read");
        const LoadEntry& entry = m_loadArray[obTag];
        if (entry.kind == LoadEntry::Kind::Null)
            return {};
        if (entry.kind != LoadEntry::Kind::Object)
            Throw(ArchiveException::Cause::BadIndex, "archive: object index names no object");
        if (requested != nullptr && !entry.cls->IsDerivedFrom(requested))
            Throw(ArchiveException::Cause::BadClass, "archive: referenced object is not of the requested kind");
        ObjectOrReference result;
        result.reference = entry.object;
        return result;
    }

    std::unique_ptr<CObject> obj = cls->CreateObject();
    if (!obj)
        throw MemoryException("archive: the class's factory made no object");

    // Enter the object before its fields, as the framework does, so that the
    // indexes of what it contains follow its own.
    const std::size_t index = m_loadArray.size();
    NextMapIndex();
    m_loadArray.push_back({LoadEntry::Kind::Object, cls, obj.get(), 0});

    const std::uint32_t savedSchema = m_nObjectSchema;
    m_nObjectSchema = schema;
    try {
        obj->Serialize(*this);
    } catch (...) {
        // The object is destroyed on the way out, and with it what it read and
        // owns: no later reference may reach any of them.
        for (std::size_t i = index; i < m_loadArray.size(); ++i) {
            if (m_loadArray[i].kind == LoadEntry::Kind::Object)
                m_loadArray[i] = {LoadEntry::Kind::Failed, m_loadArray[i].cls, nullptr, 0};
        }
        m_nObjectSchema = savedSchema;
        throw;
    }
    m_nObjectSchema = savedSchema;

    ObjectOrReference result;
    result.owned = std::move(obj);
    return result;
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* requested) {
    ObjectOrReference r = ReadObjectOrReference(requested);
    if (r.reference != nullptr)
        Throw(ArchiveException::Cause::BadIndex, "archive: a shared object where an owned one is expected");
    return std::move(r.owned);
}

std::uint32_t CArchive::GetObjectSchema() {
    const std::uint32_t schema = m_nObjectSchema;
    m_nObjectSchema = kNoSchema;
    return schema;
}

}  // namespace kavitro
