#pragma once

// Our counterpart of the framework's binary archive (MFC CArchive) and of its
// run-time class machinery (CObject, CRuntimeClass, DECLARE_SERIAL /
// IMPLEMENT_SERIAL), over an in-memory byte buffer.
//
// The byte format is the framework's, exactly:
// - values are little-endian;
// - counts (WriteCount/ReadCount): u16 below 0xFFFF; else 0xFFFF then u32
//   below 0xFFFFFFFF; else 0xFFFF, 0xFFFFFFFF, u64;
// - strings: written in the UTF-16 form (FF, u16 FFFE, length, UTF-16LE
//   units); read in that form and in the 8-bit form (length, bytes taken as
//   Latin-1). Lengths: u8 below 0xFF; else FF then u16 (below 0xFFFE when
//   written); else FF, u16 FFFF, u32; else FF, u16 FFFF, u32 FFFFFFFF, u64;
// - object references (WriteObject/ReadObject): u16 0x0000 null; 0xFFFF a new
//   class (u16 schema, u16 name length, ASCII name) then the object's fields;
//   0x8000 | i an object of the known class i then its fields; i (1 to
//   0x7FFE) the object i already in the stream; from index 0x7FFF on, the
//   u16 0x7FFF followed by a u32 (bit 31 set for a class). Classes and objects
//   share one index space, numbered from 1 in order of first appearance over
//   everything one archive stores or loads.
//
// Reading never trusts the stream: a value, count or length that runs past
// the end of the bytes raises ArchiveException(EndOfFile) before anything is
// allocated, and loaders of arrays bound their sizes with CheckCount (or
// ReadCount(minBytesPerElement)) in the same way.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/Exceptions.h"

namespace kavitro {

class CArchive;
class CObject;
class CKavitroDoc;  // the document layer's document; the archive only carries the pointer

// The framework's flag that marks a class schema as versionable: or it into
// the schema given to KAVITRO_IMPLEMENT_SERIAL ("VERSIONABLE_SCHEMA | 1").
inline constexpr std::uint32_t VERSIONABLE_SCHEMA = 0x80000000u;

// The run-time description of a CObject class. Instances have static storage
// duration (the macros below make them) and are compared by address.
struct CRuntimeClass {
    // The schema of classes that cannot be stored (the framework's 0xFFFF).
    static constexpr std::uint16_t kNotSerializable = 0xFFFF;

    const char* m_lpszClassName;  // ASCII, shorter than 64 characters when serializable
    std::uint16_t m_wSchema;      // the schema written; kNotSerializable for CObject and dynamic-only classes
    bool m_bVersionable;          // older stored schemas load (the loader asks GetObjectSchema)
    std::unique_ptr<CObject> (*m_pfnCreateObject)();  // null when not dynamically creatable
    const CRuntimeClass& (*m_pfnGetBaseClass)();      // null for CObject

    bool IsSerializable() const { return m_wSchema != kNotSerializable && m_pfnCreateObject != nullptr; }
    const CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? &m_pfnGetBaseClass() : nullptr; }
    // True for this class and every class it derives from.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    // A new object of the class; null when it has no factory.
    std::unique_ptr<CObject> CreateObject() const;
};

// Name -> class, for loading. The process-wide registry is filled by the
// registrars of KAVITRO_IMPLEMENT_SERIAL at static initialisation.
//
// Caution: a registrar lives in the object file of its class; when a static
// library's object file is referenced by nothing else, the linker drops it
// and its class stays unknown (BadClass on load). A layer whose classes may
// be loaded before anything references them registers them explicitly, in a
// function the program calls (Register is idempotent).
class ClassRegistry {
public:
    static ClassRegistry& Global();

    // Registers a serializable class under its name. Registering the same
    // class again does nothing; another class under a name already taken, a
    // class that is not serializable, or a name of 64 characters or more is a
    // programming error (std::logic_error).
    void Register(const CRuntimeClass& cls);
    // The class of that name, or null.
    const CRuntimeClass* FromName(std::string_view name) const;

private:
    std::map<std::string, const CRuntimeClass*, std::less<>> m_classes;
};

struct ClassRegistrar {
    explicit ClassRegistrar(const CRuntimeClass& cls) { ClassRegistry::Global().Register(cls); }
};

// The root of archivable classes. Copying is open to derived classes (the
// text model copies its records) but not through the base.
class CObject {
public:
    virtual ~CObject() = default;

    static const CRuntimeClass& GetThisClass();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    // Stores or loads the object's own fields; nothing in the base.
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* cls) const;
    bool IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    CObject(CObject&&) = default;
    CObject& operator=(CObject&&) = default;
};

// The archive. One archive either loads or stores, for its whole life.
class CArchive {
public:
    // The object schema when none is in effect (the framework's (UINT)-1).
    static constexpr std::uint32_t kNoSchema = 0xFFFFFFFFu;

    // A storing archive appending to its own buffer (GetStoredBytes).
    static CArchive ForStoring();
    // A loading archive over bytes that must outlive it.
    static CArchive ForLoading(std::span<const std::uint8_t> bytes);
    // A loading archive that keeps the bytes.
    static CArchive ForLoading(std::vector<std::uint8_t>&& bytes);

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    ~CArchive();

    bool IsLoading() const { return m_loading; }
    bool IsStoring() const { return !m_loading; }

    // Storing: the bytes written so far.
    const std::vector<std::uint8_t>& GetStoredBytes() const { return m_out; }
    std::vector<std::uint8_t> TakeStoredBytes() { return std::move(m_out); }

    // Loading: bytes consumed; storing: bytes written.
    std::size_t GetPosition() const { return m_loading ? m_pos : m_out.size(); }
    // Loading: bytes not yet read (0 when storing).
    std::size_t GetRemaining() const { return m_loading ? m_size - m_pos : 0; }
    bool IsAtEnd() const { return GetRemaining() == 0; }

    // Context the loaders take from the archive (the framework's m_pDocument
    // and m_strFileName); the file name goes into the exceptions thrown.
    void SetDocument(CKavitroDoc* doc) { m_pDocument = doc; }
    CKavitroDoc* GetDocument() const { return m_pDocument; }
    void SetFileName(std::string name) { m_fileName = std::move(name); }
    const std::string& GetFileName() const { return m_fileName; }
    // The classes that ReadObject and ReadClass know by name; the global
    // registry unless set. The registry must outlive the archive.
    void SetClassRegistry(const ClassRegistry& registry) { m_registry = &registry; }

    // --- Bounds (loading) -------------------------------------------------
    // EndOfFile unless at least n bytes remain.
    void EnsureAvailable(std::size_t n) const;
    // Checks that count elements of at least minBytesPerElement stored bytes
    // each (at least 1) can still be in the stream, and returns the count as a
    // size: EndOfFile otherwise (InvalidArgumentException for a minimum of 0).
    // Call it before sizing an array from a count.
    std::size_t CheckCount(std::uint64_t count, std::size_t minBytesPerElement) const;

    // --- Values -------------------------------------------------------------
    std::uint8_t ReadU8() { return ReadLE<std::uint8_t>(); }
    std::int8_t ReadI8() { return ReadLE<std::int8_t>(); }
    std::uint16_t ReadU16() { return ReadLE<std::uint16_t>(); }
    std::int16_t ReadI16() { return ReadLE<std::int16_t>(); }
    std::uint32_t ReadU32() { return ReadLE<std::uint32_t>(); }
    std::int32_t ReadI32() { return ReadLE<std::int32_t>(); }
    std::uint64_t ReadU64() { return ReadLE<std::uint64_t>(); }
    std::int64_t ReadI64() { return ReadLE<std::int64_t>(); }
    float ReadFloat() { return ReadLE<float>(); }
    double ReadDouble() { return ReadLE<double>(); }

    void WriteU8(std::uint8_t v) { WriteLE(v); }
    void WriteI8(std::int8_t v) { WriteLE(v); }
    void WriteU16(std::uint16_t v) { WriteLE(v); }
    void WriteI16(std::int16_t v) { WriteLE(v); }
    void WriteU32(std::uint32_t v) { WriteLE(v); }
    void WriteI32(std::int32_t v) { WriteLE(v); }
    void WriteU64(std::uint64_t v) { WriteLE(v); }
    void WriteI64(std::int64_t v) { WriteLE(v); }
    void WriteFloat(float v) { WriteLE(v); }
    void WriteDouble(double v) { WriteLE(v); }

    // The framework's operators, for the fixed-width types only: any other
    // type (bool, enums, char16_t, ...) does not compile, so that a field
    // never changes size by accident.
    CArchive& operator<<(std::uint8_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::int8_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::uint16_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::int16_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::uint32_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::int32_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::uint64_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::int64_t v) { WriteLE(v); return *this; }
    CArchive& operator<<(float v) { WriteLE(v); return *this; }
    CArchive& operator<<(double v) { WriteLE(v); return *this; }
    CArchive& operator<<(std::u16string_view s) { WriteString(s); return *this; }
    CArchive& operator<<(const std::u16string& s) { WriteString(s); return *this; }
    template <class T>
    CArchive& operator<<(const T&) = delete;

    CArchive& operator>>(std::uint8_t& v) { v = ReadLE<std::uint8_t>(); return *this; }
    CArchive& operator>>(std::int8_t& v) { v = ReadLE<std::int8_t>(); return *this; }
    CArchive& operator>>(std::uint16_t& v) { v = ReadLE<std::uint16_t>(); return *this; }
    CArchive& operator>>(std::int16_t& v) { v = ReadLE<std::int16_t>(); return *this; }
    CArchive& operator>>(std::uint32_t& v) { v = ReadLE<std::uint32_t>(); return *this; }
    CArchive& operator>>(std::int32_t& v) { v = ReadLE<std::int32_t>(); return *this; }
    CArchive& operator>>(std::uint64_t& v) { v = ReadLE<std::uint64_t>(); return *this; }
    CArchive& operator>>(std::int64_t& v) { v = ReadLE<std::int64_t>(); return *this; }
    CArchive& operator>>(float& v) { v = ReadLE<float>(); return *this; }
    CArchive& operator>>(double& v) { v = ReadLE<double>(); return *this; }
    CArchive& operator>>(std::u16string& s) { s = ReadString(); return *this; }
    template <class T>
    CArchive& operator>>(T&) = delete;

    // --- Raw bytes ------------------------------------------------------------
    // The framework's Read: copies up to n bytes and returns how many it
    // copied (fewer at the end of the stream); never raises EndOfFile.
    std::size_t Read(void* dst, std::size_t n);
    // Exactly n bytes, or EndOfFile with nothing consumed.
    void ReadExact(void* dst, std::size_t n);
    // n bytes as a new vector; EndOfFile (before allocating) when fewer remain.
    std::vector<std::uint8_t> ReadBytes(std::size_t n);
    // n bytes where they lie in the archive's input, without copying them:
    // good as long as the bytes the archive loads from. EndOfFile when fewer remain.
    std::span<const std::uint8_t> ReadSpan(std::size_t n);
    // Skips n bytes; EndOfFile when fewer remain.
    void Skip(std::size_t n);
    void Write(const void* src, std::size_t n);
    void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }

    // --- Counts and strings ------------------------------------------------------
    void WriteCount(std::uint64_t count);
    // The count as stored (it may be huge: bound it before using it).
    std::uint64_t ReadCount();
    // ReadCount, then CheckCount(count, minBytesPerElement).
    std::size_t ReadCount(std::size_t minBytesPerElement) { return CheckCount(ReadCount(), minBytesPerElement); }

    // Always the UTF-16 form.
    void WriteString(std::u16string_view s);
    // Either form.
    std::u16string ReadString();

    // --- Objects -------------------------------------------------------------------
    // Writes a reference to obj: the null tag, a back-reference to an object
    // already written by this archive (same address), or its class then its
    // Serialize data. Objects are known by address, so each must stay alive
    // while the archive stores. Storing an object of a class that is not
    // serializable raises NotSupportedException.
    void WriteObject(const CObject* obj);
    // Reads an object written by WriteObject and returns it owned; null for
    // the null tag. With requested, the class read must derive from it
    // (BadClass otherwise). A back-reference raises BadIndex here: it would
    // give one object two owners (use ReadObjectOrReference where a stream may
    // share objects). While the new object's Serialize runs, GetObjectSchema
    // gives the schema stored for its class. If Serialize throws, the object
    // is destroyed, and later references to it or to anything read while it
    // loaded raise BadIndex.
    std::unique_ptr<CObject> ReadObject(const CRuntimeClass* requested = nullptr);
    // ReadObject(&T::GetThisClass()), typed.
    template <class T>
    std::unique_ptr<T> ReadObjectAs();

    // A new object (owned set, get() the same object), a back-reference (owned
    // empty, reference the earlier object, not owned), or null (both empty).
    // The archive never dereferences a referenced object (its class is the
    // one recorded when it was read); the caller that owns the earlier object
    // must keep it alive while the stream may refer to it.
    struct ObjectOrReference {
        std::unique_ptr<CObject> owned;
        CObject* reference = nullptr;
        CObject* get() const { return owned ? owned.get() : reference; }
    };
    ObjectOrReference ReadObjectOrReference(const CRuntimeClass* requested = nullptr);

    // A class tag alone (the framework's WriteClass/ReadClass, as SerializeClass
    // uses them). ReadClass accepts only a class tag (an object reference or
    // null raises BadIndex) and, without schema, makes the stored schema the
    // current object schema.
    void WriteClass(const CRuntimeClass* cls);
    const CRuntimeClass* ReadClass(const CRuntimeClass* requested = nullptr, std::uint32_t* schema = nullptr);

    // The object schema in effect: returns it and resets it to kNoSchema (it
    // can be asked once per Serialize, as in the framework). A containing
    // object that has read it and wants a nested loader to see it too puts it
    // back with SetObjectSchema.
    std::uint32_t GetObjectSchema();
    void SetObjectSchema(std::uint32_t schema) { m_nObjectSchema = schema; }

private:
    CArchive(bool loading, std::span<const std::uint8_t> bytes, std::vector<std::uint8_t> owned);

    template <class T>
    T ReadLE();
    template <class T>
    void WriteLE(T v);

    void CheckLoading() const;
    void CheckStoring() const;
    [[noreturn]] void Throw(ArchiveException::Cause cause, const char* what) const;
    std::uint64_t ReadStringLength(bool& wide);
    void NextMapIndex();
    const CRuntimeClass* ReadClassTag(const CRuntimeClass* requested, std::uint32_t& schema, std::uint32_t* obTag);

    struct LoadEntry {
        enum class Kind : std::uint8_t { Null, Class, Object, Failed };
        Kind kind = Kind::Null;
        const CRuntimeClass* cls = nullptr;  // the class, or the class of the object
        CObject* object = nullptr;           // not owned
        std::uint32_t schema = 0;            // a class: the schema stored for it
    };

    bool m_loading;
    // Loading.
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    std::vector<std::uint8_t> m_ownedInput;
    std::vector<LoadEntry> m_loadArray;  // index -> class or object; entry 0 is null
    // Storing.
    std::vector<std::uint8_t> m_out;
    std::unordered_map<const void*, std::uint32_t> m_storeMap;  // class or object -> index
    std::uint32_t m_nMapCount = 1;

    std::uint32_t m_nObjectSchema = kNoSchema;
    const ClassRegistry* m_registry;
    CKavitroDoc* m_pDocument = nullptr;
    std::string m_fileName;
};

namespace detail {
template <std::size_t N>
using UnsignedOfSize = std::conditional_t<
    N == 1, std::uint8_t,
    std::conditional_t<N == 2, std::uint16_t, std::conditional_t<N == 4, std::uint32_t, std::uint64_t>>>;
}  // namespace detail

template <class T>
T CArchive::ReadLE() {
    static_assert(std::is_arithmetic_v<T> && sizeof(T) <= 8);
    using U = detail::UnsignedOfSize<sizeof(T)>;
    if (m_size - m_pos < sizeof(T))  // also true when storing (both are 0)
        EnsureAvailable(sizeof(T));  // throws
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<U>(v | static_cast<U>(static_cast<U>(m_data[m_pos + i]) << (8 * i)));
    m_pos += sizeof(T);
    return std::bit_cast<T>(v);
}

template <class T>
void CArchive::WriteLE(T value) {
    static_assert(std::is_arithmetic_v<T> && sizeof(T) <= 8);
    using U = detail::UnsignedOfSize<sizeof(T)>;
    if (m_loading)
        CheckStoring();  // throws
    const U v = std::bit_cast<U>(value);
    std::uint8_t bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
    m_out.insert(m_out.end(), bytes, bytes + sizeof(T));
}

template <class T>
std::unique_ptr<T> CArchive::ReadObjectAs() {
    std::unique_ptr<CObject> obj = ReadObject(&T::GetThisClass());
    if (!obj)
        return nullptr;
    T* typed = dynamic_cast<T*>(obj.get());
    if (!typed)  // a run-time class chain that does not match the C++ classes
        Throw(ArchiveException::Cause::BadClass, "loaded object is not of the requested class");
    obj.release();
    return std::unique_ptr<T>(typed);
}

}  // namespace kavitro

// --- Declaring classes --------------------------------------------------------
//
// In the class (public section follows):
//     class CDrawRect : public CDrawObj {
//         KAVITRO_DECLARE_SERIAL(CDrawRect)
//         ...
// In its .cpp, inside the class's namespace, with the unqualified class name
// (it becomes the stored class name):
//     KAVITRO_IMPLEMENT_SERIAL(CDrawRect, CDrawObj, 0)
//     KAVITRO_IMPLEMENT_SERIAL(CDrawText, CDrawObj, VERSIONABLE_SCHEMA | 1)
// The class needs a public default constructor (the loader's factory). Classes
// that only need GetRuntimeClass use the DYNAMIC pair.

#define KAVITRO_PP_CONCAT_(a, b) a##b
#define KAVITRO_PP_CONCAT(a, b) KAVITRO_PP_CONCAT_(a, b)

#define KAVITRO_DECLARE_DYNAMIC(cls)                                  \
public:                                                               \
    static const ::kavitro::CRuntimeClass& GetThisClass();            \
    const ::kavitro::CRuntimeClass* GetRuntimeClass() const override;

#define KAVITRO_DECLARE_SERIAL(cls) \
    KAVITRO_DECLARE_DYNAMIC(cls)    \
    static std::unique_ptr<::kavitro::CObject> CreateObject();

#define KAVITRO_IMPLEMENT_DYNAMIC(cls, base)                                                            \
    const ::kavitro::CRuntimeClass& cls::GetThisClass() {                                               \
        static constinit const ::kavitro::CRuntimeClass c{                                              \
            #cls, ::kavitro::CRuntimeClass::kNotSerializable, false, nullptr, &base::GetThisClass};     \
        return c;                                                                                       \
    }                                                                                                   \
    const ::kavitro::CRuntimeClass* cls::GetRuntimeClass() const { return &cls::GetThisClass(); }

#define KAVITRO_IMPLEMENT_SERIAL(cls, base, schema)                                                          \
    std::unique_ptr<::kavitro::CObject> cls::CreateObject() { return std::make_unique<cls>(); }             \
    const ::kavitro::CRuntimeClass& cls::GetThisClass() {                                                    \
        static constinit const ::kavitro::CRuntimeClass c{                                                   \
            #cls, static_cast<std::uint16_t>((schema) & 0xFFFFu),                                            \
            ((schema) & ::kavitro::VERSIONABLE_SCHEMA) != 0, &cls::CreateObject, &base::GetThisClass};       \
        return c;                                                                                            \
    }                                                                                                        \
    const ::kavitro::CRuntimeClass* cls::GetRuntimeClass() const { return &cls::GetThisClass(); }            \
    namespace {                                                                                              \
    const ::kavitro::ClassRegistrar KAVITRO_PP_CONCAT(kavitroClassRegistrar_, __LINE__){cls::GetThisClass()}; \
    }
