// The platform archive: object reading (class tags, back-references, the
// large index form, schemas, requested classes), class reading, counts,
// strings and raw bytes.
//
// The input is a loading archive that the target drives itself: it reads an
// operation byte, then what the operation reads (an object, a reference, a
// string, a class, a count and its elements, values), until the stream ends.
// The objects are of a few classes defined here: leaves with a value and a
// string, versionable leaves, nodes with an array, children that may be
// shared, and a typed child, and holders of a class tag.
//
// Beyond "no crash": every object the archive hands out, including each
// shared reference, is alive when it is handed out and stays so; and the
// operations read, written again in order by a storing archive, load again
// to the same operations and store to the same bytes.

#include <memory>
#include <string>
#include <utility>

#include "FuzzSupport.h"
#include "platform/Archive.h"

namespace kavitro::fuzz {
namespace {

// Nodes nest at most this deep; a deeper stream is refused like any other
// bad stream (the recursion is the loader's, not the archive's).
constexpr int kMaxDepth = 48;
// Operations per input.
constexpr std::size_t kMaxOperations = 256;

int g_depth = 0;

class DepthGuard {
public:
    DepthGuard() {
        if (g_depth >= kMaxDepth)
            throw UserException("fuzz objects nested too deep");
        ++g_depth;
    }
    ~DepthGuard() { --g_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

// The base of the classes loaded here: a marker that a destroyed object no
// longer carries (and that AddressSanitizer guards anyway).
class CFuzzObject : public CObject {
    KAVITRO_DECLARE_DYNAMIC(CFuzzObject)

public:
    static constexpr std::uint32_t kAlive = 0x5AFE0B1Eu;
    CFuzzObject() = default;
    CFuzzObject(const CFuzzObject&) = delete;
    CFuzzObject& operator=(const CFuzzObject&) = delete;
    ~CFuzzObject() override { m_marker = 0; }

    void CheckMarker() const { KAVITRO_FUZZ_CHECK(m_marker == kAlive); }
    // This object and everything it owns.
    virtual void CheckOwned() const { CheckMarker(); }

private:
    volatile std::uint32_t m_marker = kAlive;
};
KAVITRO_IMPLEMENT_DYNAMIC(CFuzzObject, CObject)

// The object (which may be shared) is alive.
void CheckAlive(const CObject* object) {
    if (const auto* fuzz = dynamic_cast<const CFuzzObject*>(object))
        fuzz->CheckMarker();
}

// The object and everything it owns are alive, and what they share.
void CheckTree(const CObject* object) {
    if (const auto* fuzz = dynamic_cast<const CFuzzObject*>(object))
        fuzz->CheckOwned();
}

// No fields: the cheapest object, for streams with many.
class CFuzzEmpty : public CFuzzObject {
    KAVITRO_DECLARE_SERIAL(CFuzzEmpty)
};
KAVITRO_IMPLEMENT_SERIAL(CFuzzEmpty, CFuzzObject, 0)

class CFuzzLeaf : public CFuzzObject {
    KAVITRO_DECLARE_SERIAL(CFuzzLeaf)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_value << m_name;
            return;
        }
        ar >> m_value >> m_name;
    }

    std::uint32_t m_value = 0;
    std::u16string m_name;
};
KAVITRO_IMPLEMENT_SERIAL(CFuzzLeaf, CFuzzObject, 0)

// Stored schemas 0 to 2 load; fields were added at 1 and 2.
class CFuzzVersioned : public CFuzzLeaf {
    KAVITRO_DECLARE_SERIAL(CFuzzVersioned)

public:
    void Serialize(CArchive& ar) override {
        const std::uint32_t schema = ar.GetObjectSchema();
        CFuzzLeaf::Serialize(ar);
        if (ar.IsStoring()) {
            ar << m_extra << m_ratio;
            return;
        }
        if (schema > 2)
            throw ArchiveException(ArchiveException::Cause::BadSchema, "fuzz: schema from the future");
        if (schema >= 1)
            ar >> m_extra;
        if (schema >= 2)
            ar >> m_ratio;
    }

    std::int64_t m_extra = 0;
    double m_ratio = 0;
};
KAVITRO_IMPLEMENT_SERIAL(CFuzzVersioned, CFuzzLeaf, VERSIONABLE_SCHEMA | 2)

// A class tag inside an object, as SerializeClass stores it.
class CFuzzClassHolder : public CFuzzObject {
    KAVITRO_DECLARE_SERIAL(CFuzzClassHolder)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteClass(m_class);
            return;
        }
        m_class = ar.ReadClass();
        KAVITRO_FUZZ_CHECK(m_class != nullptr);
        m_schema = ar.GetObjectSchema();
        KAVITRO_FUZZ_CHECK(m_schema <= 0xFFFF);
    }

    const CRuntimeClass* m_class = nullptr;
    std::uint32_t m_schema = 0;
};
KAVITRO_IMPLEMENT_SERIAL(CFuzzClassHolder, CFuzzObject, 0)

class CFuzzNode : public CFuzzObject {
    KAVITRO_DECLARE_SERIAL(CFuzzNode)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteCount(m_values.size());
            for (const std::int32_t v : m_values)
                ar << v;
            ar.WriteCount(m_children.size());
            for (const auto& child : m_children)
                ar.WriteObject(child.get());
            ar.WriteObject(m_typed.get());
            return;
        }
        const DepthGuard depth;
        const std::size_t valueCount = ar.ReadCount(4);
        m_values.resize(valueCount);
        for (std::int32_t& v : m_values)
            ar >> v;
        // Every child takes at least its two-byte tag.
        const std::size_t childCount = ar.ReadCount(2);
        for (std::size_t i = 0; i < childCount; ++i) {
            CArchive::ObjectOrReference child = ar.ReadObjectOrReference();
            CheckAlive(child.get());
            m_children.push_back(std::move(child));
        }
        m_typed = ar.ReadObjectAs<CFuzzLeaf>();
    }

    void CheckOwned() const override {
        CheckMarker();
        for (const auto& child : m_children) {
            if (child.owned)
                CheckTree(child.owned.get());
            else
                CheckAlive(child.reference);
        }
        CheckTree(m_typed.get());
    }

    std::vector<std::int32_t> m_values;
    std::vector<CArchive::ObjectOrReference> m_children;
    std::unique_ptr<CFuzzLeaf> m_typed;
};
KAVITRO_IMPLEMENT_SERIAL(CFuzzNode, CFuzzObject, 1)

// --- Sessions: what the target read, and writing it again ---------------------------

enum Op : std::uint8_t {
    kOpObject = 0,        // ReadObject()
    kOpShared = 1,        // ReadObjectOrReference()
    kOpNode = 2,          // ReadObjectAs<CFuzzNode>()
    kOpString = 3,        // ReadString()
    kOpCounted = 4,       // ReadCount(k) and k bytes per element, k from the operation byte
    kOpClass = 5,         // ReadClass, with or without a requested class and schema pointer
    kOpValues = 6,        // u16, i32, u64, double, then Read() of up to 31 bytes
    kOpLeaf = 7,          // ReadObject(CFuzzLeaf)
    kOpCount = 8,
};

struct Operation {
    std::uint8_t code = 0;
    const CObject* object = nullptr;  // objects: the one read (owned by the session or shared)
    const CRuntimeClass* cls = nullptr;
    std::uint32_t schema = 0;
    std::u16string text;
    Bytes bytes;
    std::uint16_t u16 = 0;
    std::int32_t i32 = 0;
    std::uint64_t u64 = 0;
    double real = 0;
};

struct Session {
    std::vector<std::unique_ptr<CObject>> owned;
    std::vector<Operation> operations;
    bool completed = false;  // the stream ended where an operation began
};

std::size_t ElementSize(std::uint8_t code) { return 1 + (code >> 3) % 8; }

void ReadOperation(CArchive& ar, Session& session, std::uint8_t code) {
    Operation op;
    op.code = code;
    switch (code % kOpCount) {
    case kOpObject:
    case kOpLeaf: {
        std::unique_ptr<CObject> object =
            ar.ReadObject(code % kOpCount == kOpLeaf ? &CFuzzLeaf::GetThisClass() : nullptr);
        if (code % kOpCount == kOpLeaf && object)
            KAVITRO_FUZZ_CHECK(dynamic_cast<CFuzzLeaf*>(object.get()) != nullptr);
        op.object = object.get();
        session.owned.push_back(std::move(object));
        break;
    }
    case kOpShared: {
        CArchive::ObjectOrReference r = ar.ReadObjectOrReference();
        op.object = r.get();
        if (r.owned)
            session.owned.push_back(std::move(r.owned));
        break;
    }
    case kOpNode: {
        std::unique_ptr<CFuzzNode> node = ar.ReadObjectAs<CFuzzNode>();
        op.object = node.get();
        session.owned.push_back(std::move(node));
        break;
    }
    case kOpString:
        op.text = ar.ReadString();
        break;
    case kOpCounted: {
        const std::size_t size = ElementSize(code);
        const std::size_t count = ar.ReadCount(size);
        op.bytes = ar.ReadBytes(count * size);
        break;
    }
    case kOpClass: {
        const CRuntimeClass* requested = (code & 0x08) != 0 ? &CFuzzLeaf::GetThisClass() : nullptr;
        if ((code & 0x10) != 0) {
            op.cls = ar.ReadClass(requested, &op.schema);
        } else {
            op.cls = ar.ReadClass(requested);
            op.schema = ar.GetObjectSchema();
        }
        KAVITRO_FUZZ_CHECK(op.cls != nullptr && op.cls->IsSerializable());
        if (requested != nullptr)
            KAVITRO_FUZZ_CHECK(op.cls->IsDerivedFrom(requested));
        break;
    }
    case kOpValues: {
        ar >> op.u16 >> op.i32 >> op.u64 >> op.real;
        std::uint8_t buffer[31];
        const std::size_t wanted = code >> 3;
        const std::size_t remaining = ar.GetRemaining();
        const std::size_t got = ar.Read(buffer, wanted);
        KAVITRO_FUZZ_CHECK(got == std::min(wanted, remaining));
        op.bytes.assign(buffer, buffer + got);
        break;
    }
    }
    if (op.object != nullptr)
        CheckAlive(op.object);
    session.operations.push_back(std::move(op));
}

// Reads operations until the stream ends; a reader error ends the session early.
Session Run(std::span<const std::uint8_t> input) {
    Session session;
    CArchive ar = CArchive::ForLoading(input);
    ar.SetFileName("fuzz input");
    session.completed = CompletesOrRefuses([&] {
        while (!ar.IsAtEnd() && session.operations.size() < kMaxOperations)
            ReadOperation(ar, session, ar.ReadU8());
        if (!ar.IsAtEnd())
            throw UserException("fuzz: too many operations");
    });
    return session;
}

// The operations read, in order, as a storing archive writes them. A
// shared reference is written as the object it names, which an earlier
// operation wrote: the writer turns it into a back-reference.
Bytes Store(const Session& session) {
    CArchive ar = CArchive::ForStoring();
    for (const Operation& op : session.operations) {
        ar << op.code;
        switch (op.code % kOpCount) {
        case kOpObject:
        case kOpShared:
        case kOpNode:
        case kOpLeaf:
            ar.WriteObject(op.object);
            break;
        case kOpString:
            ar.WriteString(op.text);
            break;
        case kOpCounted:
            ar.WriteCount(op.bytes.size() / ElementSize(op.code));
            ar.Write(op.bytes);
            break;
        case kOpClass:
            ar.WriteClass(op.cls);
            break;
        case kOpValues:
            ar << op.u16 << op.i32 << op.u64 << op.real;
            ar.Write(op.bytes);
            break;
        }
    }
    return ar.TakeStoredBytes();
}

void FuzzArchive(std::span<const std::uint8_t> input) {
    const Session first = Run(input);
    for (const auto& object : first.owned)
        CheckTree(object.get());

    // The operations read (up to a failure) written again. A last Read of
    // raw bytes that hit the end of the input is written short; it reads
    // back the same.
    const Bytes stored = Store(first);
    const Session second = Run(stored);
    KAVITRO_FUZZ_CHECK(second.completed);
    KAVITRO_FUZZ_CHECK(second.operations.size() == first.operations.size());
    for (std::size_t i = 0; i < first.operations.size(); ++i) {
        const Operation& a = first.operations[i];
        const Operation& b = second.operations[i];
        KAVITRO_FUZZ_CHECK(a.code == b.code);
        KAVITRO_FUZZ_CHECK((a.object == nullptr) == (b.object == nullptr));
        if (a.object != nullptr)
            KAVITRO_FUZZ_CHECK(a.object->GetRuntimeClass() == b.object->GetRuntimeClass());
        KAVITRO_FUZZ_CHECK(a.cls == b.cls && a.text == b.text && a.bytes == b.bytes);
    }
    KAVITRO_FUZZ_CHECK(Store(second) == stored);
}

// --- Seeds ----------------------------------------------------------------------

template <class T>
std::unique_ptr<T> Make() {
    return std::make_unique<T>();
}

std::unique_ptr<CFuzzLeaf> Leaf(std::uint32_t value, std::u16string name) {
    auto leaf = Make<CFuzzLeaf>();
    leaf->m_value = value;
    leaf->m_name = std::move(name);
    return leaf;
}

CArchive::ObjectOrReference Owned(std::unique_ptr<CObject> object) {
    CArchive::ObjectOrReference r;
    r.owned = std::move(object);
    return r;
}

CArchive::ObjectOrReference Shared(CObject* object) {
    CArchive::ObjectOrReference r;
    r.reference = object;
    return r;
}

void PutU16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// Every operation, objects of every class, shared children, a versioned
// object, both string forms and every count form.
Bytes MixedSeed() {
    auto node = Make<CFuzzNode>();
    node->m_values = {1, -2, 0x7FFFFFFF};
    auto shared = Leaf(7, u"alpha");
    CObject* sharedPtr = shared.get();
    node->m_children.push_back(Owned(std::move(shared)));
    auto versioned = Make<CFuzzVersioned>();
    versioned->m_value = 9;
    versioned->m_name = u"\u06A9\u0627\u0648\u06CC";
    versioned->m_extra = -5;
    versioned->m_ratio = 0.25;
    node->m_children.push_back(Owned(std::move(versioned)));
    node->m_children.push_back({});  // null
    node->m_children.push_back(Shared(sharedPtr));
    node->m_children.push_back(Shared(node.get()));  // itself: entered before its fields
    node->m_typed = Leaf(3, u"typed");

    auto inner = Make<CFuzzNode>();
    inner->m_children.push_back(Shared(sharedPtr));
    inner->m_children.push_back(Owned(Make<CFuzzEmpty>()));
    auto outer = Make<CFuzzNode>();
    outer->m_children.push_back(Owned(std::move(inner)));
    auto holder = Make<CFuzzClassHolder>();
    holder->m_class = &CFuzzVersioned::GetThisClass();
    outer->m_children.push_back(Owned(std::move(holder)));
    auto newClassHolder = Make<CFuzzClassHolder>();
    newClassHolder->m_class = &CFuzzNode::GetThisClass();
    outer->m_typed = Make<CFuzzVersioned>();

    CArchive ar = CArchive::ForStoring();
    ar << std::uint8_t{kOpObject};
    ar.WriteObject(node.get());
    ar << std::uint8_t{kOpShared};
    ar.WriteObject(sharedPtr);  // a back-reference at the top level
    ar << std::uint8_t{kOpNode};
    ar.WriteObject(outer.get());
    ar << std::uint8_t{kOpString};
    ar.WriteString(u"Kavitro \u0646\u0633\u062A\u0639\u0644\u06CC\u0642");
    ar << std::uint8_t{kOpString};
    ar.WriteString(std::u16string(300, u'x'));  // the longer length form
    ar << std::uint8_t{kOpCounted | 2 << 3};       // three bytes per element
    ar.WriteCount(2);
    ar.Write(Bytes{1, 2, 3, 4, 5, 6});
    ar << std::uint8_t{kOpClass};
    ar.WriteClass(&CFuzzLeaf::GetThisClass());  // known: 0x8000 | index
    ar << std::uint8_t{kOpClass | 0x18};
    ar.WriteClass(&CFuzzLeaf::GetThisClass());
    ar << std::uint8_t{kOpObject};
    ar.WriteObject(newClassHolder.get());  // holds a class tag of a class already seen
    ar << std::uint8_t{kOpValues | 5 << 3};
    ar << std::uint16_t{0xFFFE} << std::int32_t{-1} << std::uint64_t{1} << 1.5;
    ar.Write(Bytes{9, 8, 7, 6, 5});
    ar << std::uint8_t{kOpLeaf};
    const auto last = Leaf(0xFFFFFFFF, u"");
    ar.WriteObject(last.get());
    ar << std::uint8_t{kOpObject};
    ar.WriteObject(nullptr);
    Bytes b = ar.TakeStoredBytes();

    // Forms the writer never makes: 8-bit strings in both length forms, and
    // counts in the 32- and 64-bit forms.
    b.push_back(kOpString);
    b.insert(b.end(), {5, 'h', 'e', 'l', 'l', 'o'});
    b.push_back(kOpString);
    b.push_back(0xFF);
    PutU16(b, 0x100);
    b.insert(b.end(), 0x100, 0xE9);
    b.push_back(kOpString);  // 8-bit, 64-bit length form
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0, 0, 0, 'o', 'k'});
    b.push_back(kOpString);  // UTF-16, 32-bit length form
    b.insert(b.end(), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0x2C, 0x06});
    b.push_back(kOpCounted);
    PutU16(b, 0xFFFF);
    b.insert(b.end(), {3, 0, 0, 0, 'a', 'b', 'c'});
    b.push_back(kOpCounted);
    PutU16(b, 0xFFFF);
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 'z'});
    // A versioned object of schema 0, which lacks the later fields.
    b.push_back(kOpObject);
    PutU16(b, 0xFFFF);
    PutU16(b, 0);
    const std::string name = "CFuzzVersioned";
    PutU16(b, static_cast<std::uint16_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    b.insert(b.end(), {4, 0, 0, 0, 0});  // value, empty 8-bit name
    return b;
}

// More than 0x7FFF classes and objects: the large tag form for objects and
// for classes first seen after that index.
Bytes LargeIndexSeed() {
    auto node = Make<CFuzzNode>();
    CObject* first = nullptr;
    for (int i = 0; i < 0x8004; ++i) {
        node->m_children.push_back(Owned(Make<CFuzzEmpty>()));
        if (first == nullptr)
            first = node->m_children.back().get();
    }
    CObject* late = node->m_children.back().get();
    node->m_children.push_back(Shared(late));   // large object index
    node->m_children.push_back(Shared(first));  // small one
    node->m_typed = Make<CFuzzVersioned>();     // class first seen at a large index
    auto after = Leaf(1, u"late");

    CArchive ar = CArchive::ForStoring();
    ar << std::uint8_t{kOpNode};
    ar.WriteObject(node.get());
    ar << std::uint8_t{kOpLeaf};
    ar.WriteObject(after.get());
    ar << std::uint8_t{kOpShared};
    ar.WriteObject(late);
    ar << std::uint8_t{kOpClass};
    ar.WriteClass(&CFuzzVersioned::GetThisClass());  // large class tag
    return ar.TakeStoredBytes();
}

Bytes DeepSeed() {
    std::unique_ptr<CFuzzNode> top = Make<CFuzzNode>();
    CFuzzNode* at = top.get();
    for (int i = 0; i < kMaxDepth + 2; ++i) {
        auto next = Make<CFuzzNode>();
        CFuzzNode* nextPtr = next.get();
        at->m_children.push_back(Owned(std::move(next)));
        at = nextPtr;
    }
    CArchive ar = CArchive::ForStoring();
    ar << std::uint8_t{kOpObject};
    ar.WriteObject(top.get());
    return ar.TakeStoredBytes();
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro::fuzz;
    return {Bytes{}, MixedSeed(), LargeIndexSeed(), DeepSeed()};
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzArchive)
