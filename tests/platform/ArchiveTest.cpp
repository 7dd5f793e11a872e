#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/Archive.h"
#include "tests/support/StoredBytes.h"

// --- Allocation watch ----------------------------------------------------------
// The largest single allocation made through operator new while armed: a
// reader that rejects a huge count before allocating leaves it small.

namespace {
std::atomic<bool> g_watchAllocations{false};
std::atomic<std::size_t> g_largestAllocation{0};
}  // namespace

// Replacing the global operator new and delete with malloc and free is
// well-formed; GCC only sees free() reached from new'd pointers once inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
[[gnu::noinline]] void* operator new(std::size_t n) {
    if (g_watchAllocations.load(std::memory_order_relaxed)) {
        std::size_t seen = g_largestAllocation.load(std::memory_order_relaxed);
        while (n > seen && !g_largestAllocation.compare_exchange_weak(seen, n)) {
        }
    }
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

struct AllocationWatch {
    AllocationWatch() {
        g_largestAllocation = 0;
        g_watchAllocations = true;
    }
    ~AllocationWatch() { g_watchAllocations = false; }
    std::size_t Largest() const { return g_largestAllocation.load(); }
};

}  // namespace

// --- Test classes -----------------------------------------------------------------

namespace kavitro_archive_test {

using kavitro::CArchive;
using kavitro::CObject;

// Counts live objects of every test class, to prove that failed loads leak
// nothing even without the leak checker.
int g_live = 0;

class CTestCounted : public CObject {
public:
    CTestCounted() { ++g_live; }
    ~CTestCounted() override { --g_live; }
};

// Stores one value and nothing else.
template <class Value>
class CTestValue : public CTestCounted {
public:
    Value value = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << value;
        else
            ar >> value;
    }
};

// One byte of content: cheap enough to store 0x8000 of them.
class CTestTiny : public CTestValue<std::uint8_t> {
    KAVITRO_DECLARE_SERIAL(CTestTiny)
};
KAVITRO_IMPLEMENT_SERIAL(CTestTiny, CTestCounted, 0)

class CTestDerivedTiny : public CTestTiny {
    KAVITRO_DECLARE_SERIAL(CTestDerivedTiny)
};
KAVITRO_IMPLEMENT_SERIAL(CTestDerivedTiny, CTestTiny, 0)

class CTestOther : public CTestValue<std::uint32_t> {
    KAVITRO_DECLARE_SERIAL(CTestOther)
};
KAVITRO_IMPLEMENT_SERIAL(CTestOther, CTestCounted, 3)

// Versionable with current schema 2; remembers the schema its loader saw.
class CTestVersioned : public CTestCounted {
    KAVITRO_DECLARE_SERIAL(CTestVersioned)
    std::uint16_t value = 0;
    std::uint32_t loadedSchema = 0xDEAD;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << value;
        } else {
            loadedSchema = ar.GetObjectSchema();
            ar >> value;
        }
    }
};
KAVITRO_IMPLEMENT_SERIAL(CTestVersioned, CTestCounted, kavitro::VERSIONABLE_SCHEMA | 2)

// A name and an owned child object (which may be null).
class CTestNested : public CTestCounted {
    KAVITRO_DECLARE_SERIAL(CTestNested)
    std::u16string name;
    std::unique_ptr<CObject> child;
    std::uint32_t after = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << name;
            ar.WriteObject(child.get());
            ar << after;
        } else {
            ar >> name;
            child = ar.ReadObject();
            ar >> after;
        }
    }
};
KAVITRO_IMPLEMENT_SERIAL(CTestNested, CTestCounted, 0)

// Reads a child, then refuses itself unless a flag byte is 1.
class CTestPicky : public CTestCounted {
    KAVITRO_DECLARE_SERIAL(CTestPicky)
    std::unique_ptr<CObject> child;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            return;
        child = ar.ReadObject();
        if (ar.ReadU8() != 1)
            throw kavitro::ArchiveException(kavitro::ArchiveException::Cause::Generic, "refused");
    }
};
KAVITRO_IMPLEMENT_SERIAL(CTestPicky, CTestCounted, 0)

// Like the text paragraph: not read through ReadObject; reads its
// points only when the object schema in effect is not 0.
struct TestParagraph {
    std::vector<std::uint32_t> words;
    std::vector<std::uint8_t> points;
    void Serialize(CArchive& ar) {
        if (ar.IsStoring()) {
            ar.WriteCount(words.size());
            for (std::uint32_t w : words)
                ar << w;
            ar.WriteCount(points.size());
            for (std::uint8_t p : points)
                ar << p;
            return;
        }
        words.assign(ar.ReadCount(4), 0);  // bounded before the array is sized
        for (std::uint32_t& w : words)
            ar >> w;
        if (ar.GetObjectSchema() != 0) {
            points.assign(ar.ReadCount(1), 0);
            for (std::uint8_t& p : points)
                ar >> p;
        }
    }
};

// Like the text object: versionable schema 1; a field that
// schema 0 lacks; hands its schema on to the paragraph.
class CTestTextLike : public CTestCounted {
    KAVITRO_DECLARE_SERIAL(CTestTextLike)
    std::uint32_t size = 0;
    std::uint32_t baseline = 0;
    TestParagraph paragraph;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << size << baseline;
        } else {
            const std::uint32_t schema = ar.GetObjectSchema();
            ar >> size;
            if (schema >= 1)
                ar >> baseline;
            ar.SetObjectSchema(schema);
        }
        paragraph.Serialize(ar);
    }
};
KAVITRO_IMPLEMENT_SERIAL(CTestTextLike, CTestCounted, kavitro::VERSIONABLE_SCHEMA | 1)

// Has a run-time class but cannot be stored.
class CTestDynamicOnly : public CObject {
    KAVITRO_DECLARE_DYNAMIC(CTestDynamicOnly)
};
KAVITRO_IMPLEMENT_DYNAMIC(CTestDynamicOnly, kavitro::CObject)

}  // namespace kavitro_archive_test

namespace {

using namespace kavitro_archive_test;
using kavitro::ArchiveException;
using kavitro::CArchive;
using kavitro::CObject;
using kavitro::test::StoredBytes;
using Cause = kavitro::ArchiveException::Cause;
using Bytes = std::vector<std::uint8_t>;

// Hand-built expected bytes.
struct B {
    Bytes v;
    B& u8(unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    B& u16(unsigned x) { return u8(x & 0xFF).u8((x >> 8) & 0xFF); }
    B& u32(std::uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    B& u64(std::uint64_t x) { return u32(static_cast<std::uint32_t>(x)).u32(static_cast<std::uint32_t>(x >> 32)); }
    B& ascii(const std::string& s) {
        for (char c : s)
            u8(static_cast<unsigned char>(c));
        return *this;
    }
    B& utf16(const std::u16string& s) {
        for (char16_t c : s)
            u16(c);
        return *this;
    }
    // A new class tag with its schema and name.
    B& newClass(unsigned schema, const std::string& name) {
        return u16(0xFFFF).u16(schema).u16(static_cast<unsigned>(name.size())).ascii(name);
    }
    operator Bytes() const { return v; }
};

Cause CauseOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ArchiveException& e) {
        return e.GetCause();
    }
    ADD_FAILURE() << "no archive exception";
    return Cause::Generic;
}

// --- Values ------------------------------------------------------------------------

TEST(Archive, ValuesAreLittleEndianAndRoundTrip) {
    const Bytes bytes = StoredBytes([](CArchive& ar) {
        ar << std::uint8_t{0x81} << std::int8_t{-2} << std::uint16_t{0x1234} << std::int16_t{-2}
           << std::uint32_t{0x89ABCDEF} << std::int32_t{-3} << std::uint64_t{0x0102030405060708ull}
           << std::int64_t{-4} << 1.5f << -2.0;
    });
    const Bytes expected = B()
                               .u8(0x81)
                               .u8(0xFE)
                               .u16(0x1234)
                               .u16(0xFFFE)
                               .u32(0x89ABCDEF)
                               .u32(0xFFFFFFFD)
                               .u64(0x0102030405060708ull)
                               .u64(0xFFFFFFFFFFFFFFFCull)
                               .u32(0x3FC00000)             // 1.5f
                               .u64(0xC000000000000000ull);  // -2.0
    EXPECT_EQ(bytes, expected);

    CArchive ar = CArchive::ForLoading(bytes);
    EXPECT_TRUE(ar.IsLoading());
    EXPECT_EQ(ar.ReadU8(), 0x81);
    EXPECT_EQ(ar.ReadI8(), -2);
    EXPECT_EQ(ar.ReadU16(), 0x1234);
    EXPECT_EQ(ar.ReadI16(), -2);
    EXPECT_EQ(ar.ReadU32(), 0x89ABCDEFu);
    EXPECT_EQ(ar.ReadI32(), -3);
    EXPECT_EQ(ar.ReadU64(), 0x0102030405060708ull);
    EXPECT_EQ(ar.ReadI64(), -4);
    EXPECT_EQ(ar.ReadFloat(), 1.5f);
    EXPECT_EQ(ar.ReadDouble(), -2.0);
    EXPECT_TRUE(ar.IsAtEnd());
    EXPECT_EQ(CauseOf([&] { ar.ReadU8(); }), Cause::EndOfFile);
}

TEST(Archive, WrongDirectionRaisesReadOnlyOrWriteOnly) {
    CArchive store = CArchive::ForStoring();
    EXPECT_EQ(CauseOf([&] { store.ReadU16(); }), Cause::WriteOnly);
    EXPECT_EQ(CauseOf([&] { (void)store.ReadString(); }), Cause::WriteOnly);
    EXPECT_EQ(CauseOf([&] { (void)store.ReadObject(); }), Cause::WriteOnly);
    const Bytes bytes = {1, 2, 3, 4};
    CArchive load = CArchive::ForLoading(bytes);
    EXPECT_EQ(CauseOf([&] { load.WriteU16(1); }), Cause::ReadOnly);
    EXPECT_EQ(CauseOf([&] { load.WriteString(u"x"); }), Cause::ReadOnly);
    EXPECT_EQ(CauseOf([&] { load.WriteObject(nullptr); }), Cause::ReadOnly);
    EXPECT_EQ(load.GetPosition(), 0u);
}

TEST(Archive, RawReadsAndTheFileNameInErrors) {
    const Bytes bytes = {1, 2, 3, 4, 5};
    CArchive ar = CArchive::ForLoading(Bytes(bytes));  // owns a copy
    ar.SetFileName("Kavitro");
    std::uint8_t two[2] = {};
    ar.ReadExact(two, 2);
    EXPECT_EQ(two[1], 2);
    ar.Skip(1);
    std::uint8_t five[5] = {};
    try {
        ar.ReadExact(five, 3);  // only 2 remain: nothing consumed
        ADD_FAILURE();
    } catch (const ArchiveException& e) {
        EXPECT_EQ(e.GetCause(), Cause::EndOfFile);
        EXPECT_EQ(e.GetFileName(), "Kavitro");
    }
    EXPECT_EQ(ar.GetRemaining(), 2u);
    EXPECT_EQ(ar.Read(five, 5), 2u);  // the framework's Read: short, no exception
    EXPECT_EQ(five[0], 4);
    EXPECT_EQ(five[1], 5);
    EXPECT_EQ(ar.Read(five, 5), 0u);
    EXPECT_EQ(CauseOf([&] { ar.Skip(1); }), Cause::EndOfFile);

    CArchive again = CArchive::ForLoading(bytes);
    EXPECT_EQ(again.ReadBytes(5), bytes);
    CArchive shorter = CArchive::ForLoading(bytes);
    EXPECT_EQ(CauseOf([&] { (void)shorter.ReadBytes(6); }), Cause::EndOfFile);
}

// --- Counts ----------------------------------------------------------------------------

TEST(Archive, CountEncodingAtItsBoundaries) {
    struct Case {
        std::uint64_t count;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x12345678, {0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
        {0xFFFFFFFE, {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
        {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}},
        {0x0123456789ABCDEFull,
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(StoredBytes([&](CArchive& ar) { ar.WriteCount(c.count); }), c.bytes);
        CArchive ar = CArchive::ForLoading(c.bytes);
        EXPECT_EQ(ar.ReadCount(), c.count);  // the count as stored, without allocating anything for it
        EXPECT_TRUE(ar.IsAtEnd());
        // Every shorter prefix ends early.
        for (std::size_t n = 0; n < c.bytes.size(); ++n) {
            CArchive cut = CArchive::ForLoading(std::span(c.bytes.data(), n));
            EXPECT_EQ(CauseOf([&] { cut.ReadCount(); }), Cause::EndOfFile) << n;
        }
    }
}

TEST(Archive, CountLargerThanTheRestIsRejectedBeforeAllocating) {
    const Bytes huge = B().u16(0xFFFF).u32(0xFFFFFFFF).u64(0x4000000000000000ull).u32(0).u32(0);
    AllocationWatch watch;
    {
        CArchive ar = CArchive::ForLoading(huge);
        EXPECT_EQ(CauseOf([&] {
                      std::vector<std::uint32_t> words(ar.ReadCount(4));
                  }),
                  Cause::EndOfFile);
    }
    {
        // A count that fits the remaining bytes at one byte but not at four.
        const Bytes some = B().u16(5).u32(0).u32(0);
        CArchive ar = CArchive::ForLoading(some);
        EXPECT_EQ(CauseOf([&] { (void)ar.ReadCount(4); }), Cause::EndOfFile);
        CArchive ok = CArchive::ForLoading(some);
        EXPECT_EQ(ok.ReadCount(1), 5u);
    }
    {
        // Through a loader, as the paragraph reads its words.
        CArchive ar = CArchive::ForLoading(huge);
        TestParagraph p;
        EXPECT_EQ(CauseOf([&] { p.Serialize(ar); }), Cause::EndOfFile);
    }
    EXPECT_LT(watch.Largest(), 4096u);
}

// --- Strings ------------------------------------------------------------------------------

TEST(Archive, StringsAreWrittenInTheUtf16Form) {
    EXPECT_EQ(StoredBytes([](CArchive& ar) { ar.WriteString(u"Kavitro.2.DocumentV"); }),
              Bytes(B().u8(0xFF).u8(0xFE).u8(0xFF).u8(19).utf16(u"Kavitro.2.DocumentV")));
    EXPECT_EQ(StoredBytes([](CArchive& ar) { ar << std::u16string(); }), Bytes({0xFF, 0xFE, 0xFF, 0x00}));

    struct Case {
        std::size_t length;
        Bytes head;  // what follows FF FE FF
    };
    const Case cases[] = {
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::u16string s(c.length, u'\0');
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<char16_t>(0x0600 + i % 251);
        const Bytes bytes = StoredBytes([&](CArchive& ar) { ar << s; });
        Bytes expected = {0xFF, 0xFE, 0xFF};
        expected.insert(expected.end(), c.head.begin(), c.head.end());
        ASSERT_EQ(bytes.size(), expected.size() + 2 * c.length);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
        EXPECT_EQ(bytes[expected.size()], 0x00);
        EXPECT_EQ(bytes[expected.size() + 1], 0x06);
        CArchive ar = CArchive::ForLoading(bytes);
        EXPECT_EQ(ar.ReadString(), s);
        EXPECT_TRUE(ar.IsAtEnd());
    }
}

TEST(Archive, StringsAreReadInBothFormsWithEveryLengthEscape) {
    std::string long8(300, 'x');
    long8[0] = '\xE9';
    std::u16string long16(300, u'x');
    long16[0] = u'\u00E9';
    struct Case {
        const char* what;
        Bytes bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"8-bit, byte length", B().u8(3).ascii("abc"), u"abc"},
        {"8-bit, empty", B().u8(0), u""},
        {"8-bit, Latin-1", B().u8(2).u8(0xE9).u8(0xFF), u"\u00E9\u00FF"},
        {"8-bit, u16 length", B().u8(0xFF).u16(300).ascii(long8), long16},
        {"8-bit, u32 length", B().u8(0xFF).u16(0xFFFF).u32(2).ascii("ab"), u"ab"},
        {"8-bit, u64 length", B().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(1).ascii("z"), u"z"},
        {"UTF-16, byte length", B().u8(0xFF).u16(0xFFFE).u8(2).utf16(u"\u0628\u06CC"), u"\u0628\u06CC"},
        {"UTF-16, u16 length", B().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(1).utf16(u"q"), u"q"},
        {"UTF-16, u32 length", B().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(1).utf16(u"r"), u"r"},
        {"UTF-16, u64 length",
         B().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(3).utf16(u"abc"), u"abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CArchive ar = CArchive::ForLoading(c.bytes);
        std::u16string s;
        ar >> s;
        EXPECT_EQ(s, c.expected);
        EXPECT_TRUE(ar.IsAtEnd());
        for (std::size_t n = 0; n < c.bytes.size(); ++n) {
            CArchive cut = CArchive::ForLoading(std::span(c.bytes.data(), n));
            EXPECT_EQ(CauseOf([&] { (void)cut.ReadString(); }), Cause::EndOfFile) << n;
        }
    }
}

TEST(Archive, HugeStringLengthIsRejectedBeforeAllocating) {
    const Bytes cases[] = {
        B().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(0x7FFFFFFFFFFFFFFFull).utf16(u"ab"),
        B().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFE).utf16(u"ab"),
        B().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(0xFFFFFFFFFFFFFFFFull).ascii("abc"),
        B().u8(0xFF).u16(0xFFFE).u8(3).utf16(u"ab"),  // one unit short
    };
    AllocationWatch watch;
    for (const Bytes& bytes : cases) {
        CArchive ar = CArchive::ForLoading(bytes);
        EXPECT_EQ(CauseOf([&] { (void)ar.ReadString(); }), Cause::EndOfFile);
    }
    EXPECT_LT(watch.Largest(), 4096u);
}

// --- Objects ---------------------------------------------------------------------------------

TEST(Archive, TwoObjectsOfOneClassThenABackReference) {
    CTestTiny a, b;
    a.value = 0x11;
    b.value = 0x22;
    const Bytes bytes = StoredBytes([&](CArchive& ar) {
        ar.WriteCount(2);
        ar.WriteObject(&a);  // class 1, object 2
        ar.WriteObject(&b);  // object 3
        ar.WriteObject(&a);  // back-reference to 2
        ar.WriteObject(nullptr);
    });
    const Bytes expected = B()
                               .u16(2)
                               .u16(0xFFFF)
                               .u16(0)
                               .u16(9)
                               .ascii("CTestTiny")
                               .u8(0x11)
                               .u16(0x8001)
                               .u8(0x22)
                               .u16(0x0002)
                               .u16(0x0000);
    EXPECT_EQ(bytes, expected);

    CArchive ar = CArchive::ForLoading(bytes);
    ASSERT_EQ(ar.ReadCount(), 2u);
    std::unique_ptr<CTestTiny> ra = ar.ReadObjectAs<CTestTiny>();
    std::unique_ptr<CObject> rb = ar.ReadObject();
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->value, 0x11);
    ASSERT_EQ(rb->GetRuntimeClass(), &CTestTiny::GetThisClass());
    EXPECT_EQ(static_cast<CTestTiny*>(rb.get())->value, 0x22);
    CArchive::ObjectOrReference ref = ar.ReadObjectOrReference();
    EXPECT_FALSE(ref.owned);
    EXPECT_EQ(ref.reference, ra.get());
    EXPECT_EQ(ref.get(), ra.get());
    EXPECT_EQ(ar.ReadObject(), nullptr);
    EXPECT_TRUE(ar.IsAtEnd());

    // An owning read refuses a back-reference: it would give the object two owners.
    CArchive owning = CArchive::ForLoading(bytes);
    owning.ReadCount();
    auto first = owning.ReadObject();
    auto second = owning.ReadObject();
    EXPECT_EQ(CauseOf([&] { (void)owning.ReadObject(); }), Cause::BadIndex);
}

TEST(Archive, IndexesCountClassesAndObjectsTogetherAcrossNesting) {
    auto outer = std::make_unique<CTestNested>();
    outer->name = u"n";
    auto child = std::make_unique<CTestTiny>();
    child->value = 7;
    CTestTiny* childPtr = child.get();
    outer->child = std::move(child);
    outer->after = 0xAABBCCDD;
    CTestTiny second;
    second.value = 8;
    CTestNested empty;
    const Bytes bytes = StoredBytes([&](CArchive& ar) {
        ar.WriteObject(outer.get());  // class 1, object 2; inside: class 3, object 4
        ar.WriteObject(&second);      // class 3 known, object 5
        ar.WriteObject(childPtr);     // object 4
        ar.WriteObject(&empty);       // class 1 known, object 6, null child
    });
    const Bytes expected = B()
                               .newClass(0, "CTestNested")
                               .u8(0xFF).u16(0xFFFE).u8(1).utf16(u"n")
                               .newClass(0, "CTestTiny")
                               .u8(7)
                               .u32(0xAABBCCDD)
                               .u16(0x8003)
                               .u8(8)
                               .u16(0x0004)
                               .u16(0x8001)
                               .u8(0xFF).u16(0xFFFE).u8(0)
                               .u16(0x0000)
                               .u32(0);
    EXPECT_EQ(bytes, expected);

    CArchive ar = CArchive::ForLoading(bytes);
    auto r1 = ar.ReadObjectAs<CTestNested>();
    auto r2 = ar.ReadObjectAs<CTestTiny>();
    auto r3 = ar.ReadObjectOrReference(&CTestTiny::GetThisClass());
    auto r4 = ar.ReadObjectAs<CTestNested>();
    ASSERT_TRUE(r1 && r2 && r4);
    EXPECT_EQ(r1->name, u"n");
    EXPECT_EQ(r1->after, 0xAABBCCDDu);
    ASSERT_TRUE(r1->child);
    EXPECT_EQ(r3.reference, r1->child.get());
    EXPECT_EQ(r2->value, 8);
    EXPECT_EQ(r4->child, nullptr);
    EXPECT_TRUE(ar.IsAtEnd());
}

TEST(Archive, LargeIndexFormFromIndex0x7FFF) {
    // Class 1, then objects 2 .. 0x7FFF: the last tiny object takes index 0x7FFF.
    const std::size_t tinyCount = 0x7FFE;
    std::vector<std::unique_ptr<CTestTiny>> tiny(tinyCount);
    for (std::size_t i = 0; i < tinyCount; ++i) {
        tiny[i] = std::make_unique<CTestTiny>();
        tiny[i]->value = static_cast<std::uint8_t>(i);
    }
    CTestOther o1, o2;
    o1.value = 1;
    o2.value = 2;
    std::size_t markOther = 0;
    const Bytes bytes = StoredBytes([&](CArchive& ar) {
        for (const auto& t : tiny)
            ar.WriteObject(t.get());
        markOther = ar.GetPosition();
        ar.WriteObject(&o1);               // class 0x8000, object 0x8001
        ar.WriteObject(&o2);               // class tag in the large form, object 0x8002
        ar.WriteObject(tiny.back().get());  // object 0x7FFF
        ar.WriteObject(tiny[tinyCount - 2].get());  // object 0x7FFE
        ar.WriteObject(&o1);               // object 0x8001
        ar.WriteObject(tiny.front().get());  // object 2
    });
    // 0xFFFF, schema, length, name, value; then 0x8001 and a value for the rest.
    EXPECT_EQ(markOther, (2 + 2 + 2 + 9 + 1) + (tinyCount - 1) * 3);
    EXPECT_EQ(bytes[markOther - 3], 0x01);  // the last tiny object still uses 0x8001
    EXPECT_EQ(bytes[markOther - 2], 0x80);
    const Bytes tail(bytes.begin() + static_cast<std::ptrdiff_t>(markOther), bytes.end());
    const Bytes expectedTail = B()
                                   .newClass(3, "CTestOther")
                                   .u32(1)
                                   .u16(0x7FFF)
                                   .u32(0x80008000)
                                   .u32(2)
                                   .u16(0x7FFF)
                                   .u32(0x00007FFF)
                                   .u16(0x7FFE)
                                   .u16(0x7FFF)
                                   .u32(0x00008001)
                                   .u16(0x0002);
    EXPECT_EQ(tail, expectedTail);

    CArchive ar = CArchive::ForLoading(bytes);
    std::vector<std::unique_ptr<CObject>> loaded;
    for (std::size_t i = 0; i < tinyCount; ++i)
        loaded.push_back(ar.ReadObject());
    EXPECT_EQ(static_cast<CTestTiny*>(loaded.back().get())->value, static_cast<std::uint8_t>(tinyCount - 1));
    auto l1 = ar.ReadObjectAs<CTestOther>();
    auto l2 = ar.ReadObjectAs<CTestOther>();
    ASSERT_TRUE(l1 && l2);
    EXPECT_EQ(l1->value, 1u);
    EXPECT_EQ(l2->value, 2u);
    EXPECT_EQ(ar.ReadObjectOrReference().reference, loaded[tinyCount - 1].get());
    EXPECT_EQ(ar.ReadObjectOrReference().reference, loaded[tinyCount - 2].get());
    EXPECT_EQ(ar.ReadObjectOrReference().reference, l1.get());
    EXPECT_EQ(ar.ReadObjectOrReference().reference, loaded[0].get());
    EXPECT_TRUE(ar.IsAtEnd());

    // A large-form object reference beyond what was read, and a large class
    // tag that names an object.
    for (std::uint32_t bad : {0x00008003u, 0x80008001u, 0x80000000u}) {
        Bytes broken(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(markOther));
        const Bytes more = B().newClass(3, "CTestOther").u32(1).u16(0x7FFF).u32(bad).u32(0);
        broken.insert(broken.end(), more.begin(), more.end());
        CArchive br = CArchive::ForLoading(broken);
        std::vector<std::unique_ptr<CObject>> keep;
        for (std::size_t i = 0; i < tinyCount + 1; ++i)
            keep.push_back(br.ReadObject());
        EXPECT_EQ(CauseOf([&] { (void)br.ReadObjectOrReference(); }), Cause::BadIndex) << std::hex << bad;
    }
}

TEST(Archive, ClassTagsAloneWithReadClassAndWriteClass) {
    const Bytes bytes = StoredBytes([](CArchive& ar) {
        ar.WriteClass(&CTestVersioned::GetThisClass());
        ar.WriteClass(&CTestVersioned::GetThisClass());
    });
    EXPECT_EQ(bytes, Bytes(B().newClass(2, "CTestVersioned").u16(0x8001)));

    const Bytes old = B().newClass(1, "CTestVersioned").u16(0x8001).u16(0x0001).u16(0);
    CArchive ar = CArchive::ForLoading(old);
    std::uint32_t schema = 0;
    EXPECT_EQ(ar.ReadClass(nullptr, &schema), &CTestVersioned::GetThisClass());
    EXPECT_EQ(schema, 1u);
    EXPECT_EQ(ar.ReadClass(&CTestVersioned::GetThisClass()), &CTestVersioned::GetThisClass());
    EXPECT_EQ(ar.GetObjectSchema(), 1u);  // made the current object schema
    EXPECT_EQ(ar.GetObjectSchema(), CArchive::kNoSchema);
    EXPECT_EQ(CauseOf([&] { ar.ReadClass(); }), Cause::BadIndex);  // an object reference
    EXPECT_EQ(CauseOf([&] { ar.ReadClass(); }), Cause::BadIndex);  // null
}

TEST(Archive, VersionableClassesExposeTheStoredSchema) {
    CTestVersioned v;
    v.value = 5;
    EXPECT_EQ(StoredBytes([&](CArchive& ar) { ar.WriteObject(&v); }),
              Bytes(B().newClass(2, "CTestVersioned").u16(5)));

    for (unsigned stored : {0u, 1u, 2u, 7u}) {
        SCOPED_TRACE(stored);
        const Bytes bytes = B().newClass(stored, "CTestVersioned").u16(9).u16(0x8001).u16(10);
        CArchive ar = CArchive::ForLoading(bytes);
        ar.SetObjectSchema(42);
        auto a = ar.ReadObjectAs<CTestVersioned>();
        auto b = ar.ReadObjectAs<CTestVersioned>();
        EXPECT_EQ(a->loadedSchema, stored);
        EXPECT_EQ(b->loadedSchema, stored);  // the known class keeps the schema stored for it
        EXPECT_EQ(b->value, 10);
        EXPECT_EQ(ar.GetObjectSchema(), 42u);  // restored after each object
    }
}

TEST(Archive, ContainingObjectHandsItsSchemaToANestedLoader) {
    CTestTextLike t;
    t.size = 400;
    t.baseline = 12;
    t.paragraph.words = {0x01020304};
    t.paragraph.points = {0x33};
    const Bytes stored = StoredBytes([&](CArchive& ar) { ar.WriteObject(&t); });
    EXPECT_EQ(stored, Bytes(B().newClass(1, "CTestTextLike").u32(400).u32(12).u16(1).u32(0x01020304).u16(1).u8(0x33)));

    CArchive ar = CArchive::ForLoading(stored);
    auto cur = ar.ReadObjectAs<CTestTextLike>();
    EXPECT_EQ(cur->baseline, 12u);
    EXPECT_EQ(cur->paragraph.points, std::vector<std::uint8_t>{0x33});
    EXPECT_TRUE(ar.IsAtEnd());

    // Schema 0: no baseline, and the paragraph ends after its words.
    const Bytes old = B().newClass(0, "CTestTextLike").u32(400).u16(1).u32(0x01020304);
    CArchive ar0 = CArchive::ForLoading(old);
    auto prev = ar0.ReadObjectAs<CTestTextLike>();
    EXPECT_EQ(prev->size, 400u);
    EXPECT_EQ(prev->baseline, 0u);
    EXPECT_EQ(prev->paragraph.words, std::vector<std::uint32_t>{0x01020304});
    EXPECT_TRUE(prev->paragraph.points.empty());
    EXPECT_TRUE(ar0.IsAtEnd());
}

TEST(Archive, EachErrorKind) {
    struct Case {
        const char* what;
        Bytes bytes;
        Cause cause;
    };
    const std::string longName(64, 'C');
    const Case cases[] = {
        {"unknown class", B().newClass(0, "CNoSuchClass").u8(0), Cause::BadClass},
        {"class name of 64 characters", B().newClass(0, longName), Cause::BadClass},
        {"not-serializable class by name", B().newClass(0xFFFF, "CTestDynamicOnly"), Cause::BadClass},
        {"fixed schema differs", B().newClass(1, "CTestTiny").u8(0), Cause::BadSchema},
        {"fixed schema differs (3)", B().newClass(0, "CTestOther").u32(0), Cause::BadSchema},
        {"back-reference beyond", B().u16(0x0001), Cause::BadIndex},
        {"back-reference to a class", B().newClass(0, "CTestTiny").u8(0).u16(0x0001), Cause::BadIndex},
        {"back-reference to itself not yet read", B().newClass(0, "CTestTiny").u8(0).u16(0x0003), Cause::BadIndex},
        {"class index 0", B().u16(0x8000), Cause::BadIndex},
        {"class index beyond", B().u16(0x8001), Cause::BadIndex},
        {"class index names an object", B().newClass(0, "CTestTiny").u8(0).u16(0x8002), Cause::BadIndex},
        {"large form beyond", B().u16(0x7FFF).u32(0x00000005), Cause::BadIndex},
        {"large class form beyond", B().u16(0x7FFF).u32(0x80000005), Cause::BadIndex},
        {"nested unknown class", B().newClass(0, "CTestNested").u8(0).newClass(0, "CUnknown"), Cause::BadClass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(g_live, 0);
        CArchive ar = CArchive::ForLoading(c.bytes);
        std::vector<CArchive::ObjectOrReference> keep;
        EXPECT_EQ(CauseOf([&] {
                      while (!ar.IsAtEnd())
                          keep.push_back(ar.ReadObjectOrReference());
                  }),
                  c.cause);
        keep.clear();
        EXPECT_EQ(g_live, 0);
    }
}

TEST(Archive, RequestedClassMustMatch) {
    CTestTiny tiny;
    CTestDerivedTiny derived;
    const Bytes bytes = StoredBytes([&](CArchive& ar) {
        ar.WriteObject(&derived);
        ar.WriteObject(&tiny);
        ar.WriteObject(&tiny);
    });
    CArchive ar = CArchive::ForLoading(bytes);
    auto d = ar.ReadObjectAs<CTestTiny>();  // a derived class is a CTestTiny
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->IsKindOf(&CTestDerivedTiny::GetThisClass()));
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObjectAs<CTestDerivedTiny>(); }), Cause::BadClass);
    EXPECT_EQ(g_live, 3);  // the two stored objects and d: the refused one is gone

    // A back-reference of the wrong kind: the class recorded at load time is checked.
    CArchive again = CArchive::ForLoading(bytes);
    auto a = again.ReadObject();
    auto b = again.ReadObjectAs<CTestTiny>();
    EXPECT_EQ(CauseOf([&] { (void)again.ReadObjectOrReference(&CTestOther::GetThisClass()); }), Cause::BadClass);
}

TEST(Archive, ClassesThatCannotBeStored) {
    CTestDynamicOnly d;
    EXPECT_EQ(d.GetRuntimeClass(), &CTestDynamicOnly::GetThisClass());
    EXPECT_FALSE(d.IsSerializable());
    CArchive ar = CArchive::ForStoring();
    EXPECT_THROW(ar.WriteObject(&d), kavitro::NotSupportedException);
    EXPECT_THROW(ar.WriteClass(&CObject::GetThisClass()), kavitro::NotSupportedException);
}

TEST(Archive, AFailedObjectCannotBeReferencedLater) {
    // The nested object (index 2) fails on its unknown child; a later
    // reference to index 2 must not reach the destroyed object.
    const Bytes bytes = B().newClass(0, "CTestNested").u8(0).newClass(0, "CUnknown").u16(0x0002);
    CArchive ar = CArchive::ForLoading(bytes);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObject(); }), Cause::BadClass);
    EXPECT_EQ(g_live, 0);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObjectOrReference(); }), Cause::BadIndex);
}

TEST(Archive, WhatAFailedObjectReadCannotBeReferencedLater) {
    // Class 1, the picky object 2, class 3, its child 4; the picky object
    // refuses itself after its child loaded, destroying both.
    const Bytes bytes = B().newClass(0, "CTestPicky").newClass(0, "CTestTiny").u8(5).u8(0).u16(0x0004).u16(0x0002);
    CArchive ar = CArchive::ForLoading(bytes);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObject(); }), Cause::Generic);
    EXPECT_EQ(g_live, 0);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObjectOrReference(); }), Cause::BadIndex);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObjectOrReference(); }), Cause::BadIndex);

    // Accepted, the same stream keeps both objects and the child can be referenced.
    Bytes good = bytes;
    good[good.size() - 5] = 1;
    CArchive ok = CArchive::ForLoading(good);
    auto picky = ok.ReadObjectAs<CTestPicky>();
    ASSERT_TRUE(picky && picky->child);
    EXPECT_EQ(ok.ReadObjectOrReference().reference, picky->child.get());
    EXPECT_EQ(ok.ReadObjectOrReference().reference, picky.get());
}

TEST(Archive, ClassRegistryKnowsClassesByName) {
    kavitro::ClassRegistry registry;
    const kavitro::CRuntimeClass& tiny = CTestTiny::GetThisClass();
    registry.Register(tiny);
    registry.Register(tiny);  // again: nothing
    EXPECT_EQ(registry.FromName("CTestTiny"), &tiny);
    EXPECT_EQ(registry.FromName("CTestTin"), nullptr);
    const kavitro::CRuntimeClass impostor{"CTestTiny", 0, false, &CTestTiny::CreateObject, &CObject::GetThisClass};
    EXPECT_THROW(registry.Register(impostor), std::logic_error);
    EXPECT_THROW(registry.Register(CTestDynamicOnly::GetThisClass()), std::logic_error);
    EXPECT_EQ(kavitro::ClassRegistry::Global().FromName("CTestNested"), &CTestNested::GetThisClass());

    // An archive that is given this registry knows only CTestTiny.
    const Bytes bytes = B().newClass(0, "CTestOther").u32(0);
    CArchive ar = CArchive::ForLoading(bytes);
    ar.SetClassRegistry(registry);
    EXPECT_EQ(CauseOf([&] { (void)ar.ReadObject(); }), Cause::BadClass);
}

// --- Truncation and damage -----------------------------------------------------------------------

Bytes SampleStream() {
    CTestNested n;
    n.name = u"\u06A9\u0627\u0648\u06CC\u062A\u0631\u0648";
    auto child = std::make_unique<CTestVersioned>();
    child->value = 0x4242;
    n.child = std::move(child);
    n.after = 77;
    CTestTiny t;
    t.value = 9;
    CTestTextLike text;
    text.size = 300;
    text.paragraph.words = {1, 2, 3};
    text.paragraph.points = {4, 5};
    CTestNested n2;
    return StoredBytes([&](CArchive& ar) {
        ar << std::u16string(u"Kavitro.2.DocumentV") << std::uint32_t{1};
        ar.WriteCount(5);
        ar.WriteObject(&n);
        ar.WriteObject(&t);
        ar.WriteObject(&text);
        ar.WriteObject(&n2);
        ar.WriteObject(&t);
    });
}

// Loads what SampleStream stores, as a document loads its list.
std::vector<CArchive::ObjectOrReference> LoadSample(CArchive& ar) {
    if (ar.ReadString() != u"Kavitro.2.DocumentV")
        throw ArchiveException(Cause::BadIndex, "magic");
    ar.SetObjectSchema(ar.ReadU32());
    const std::size_t count = ar.ReadCount(2);
    std::vector<CArchive::ObjectOrReference> objects;
    objects.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        objects.push_back(ar.ReadObjectOrReference());
    return objects;
}

TEST(Archive, TruncationAtEveryOffsetIsEndOfFileAndLeaksNothing) {
    const Bytes full = SampleStream();
    {
        CArchive ar = CArchive::ForLoading(full);
        auto objects = LoadSample(ar);
        EXPECT_TRUE(ar.IsAtEnd());
        ASSERT_EQ(objects.size(), 5u);
        EXPECT_EQ(objects[4].reference, objects[1].owned.get());
        EXPECT_EQ(static_cast<CTestVersioned*>(static_cast<CTestNested*>(objects[0].get())->child.get())->value,
                  0x4242);
        EXPECT_EQ(g_live, 5);
    }
    EXPECT_EQ(g_live, 0);
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        CArchive ar = CArchive::ForLoading(cut);
        EXPECT_EQ(CauseOf([&] { (void)LoadSample(ar); }), Cause::EndOfFile);
        EXPECT_EQ(g_live, 0);
    }
}

TEST(Archive, DamagedStreamsFailCleanly) {
    const Bytes full = SampleStream();
    std::uint32_t state = 12345;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = full;
        const int edits = 1 + static_cast<int>(next() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = next() % bytes.size();
            switch (next() % 3) {
                case 0: bytes[at] = static_cast<std::uint8_t>(next()); break;
                case 1: bytes[at] = 0xFF; break;
                default: bytes.resize(at); break;
            }
            if (bytes.empty())
                break;
        }
        CArchive ar = CArchive::ForLoading(bytes);
        try {
            auto objects = LoadSample(ar);
        } catch (const ArchiveException&) {
        }
        ASSERT_EQ(g_live, 0) << round;
    }
}

}  // namespace
