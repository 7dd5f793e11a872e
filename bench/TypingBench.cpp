// Typing speed: Persian words from the system's hunspell word list typed
// letter by letter into text objects, against HarfBuzz shaping the same words
// with an OpenType Nastaliq font; and typing at the start, middle and end of
// paragraphs of 10 to 100,000 letters. The goals: at most 0.16 us a letter
// over the word list, twenty times HarfBuzz's speed in the same run, and a
// keystroke that costs the same however long its paragraph is.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <hb.h>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"

namespace {

using kavitro::CCalligraphyParagraph;

constexpr const char* kWordList = "/usr/share/hunspell/fa_IR.dic";
constexpr const char* kPeerFont = "/usr/share/fonts/truetype/noto/NotoNastaliqUrdu-Regular.ttf";
constexpr std::size_t kEveryNthWord = 50;  // a subset keeps one pass short
constexpr std::size_t kWordsPerTextObject = 100;

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < bytes.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        out += cp <= 0xFFFF ? static_cast<char16_t>(cp) : u'\uFFFD';
        i += length;
    }
    return out;
}

// Every n-th entry of the word list without its "/flags" suffix (the first
// line is the entry count).
std::vector<std::u16string> LoadWordList() {
    std::vector<std::u16string> words;
    std::ifstream in(kWordList);
    std::string line;
    std::getline(in, line);
    for (std::size_t n = 0; std::getline(in, line); ++n) {
        const std::string entry = line.substr(0, line.find('/'));
        if (n % kEveryNthWord == 0 && !entry.empty())
            words.push_back(DecodeUtf8(entry));
    }
    return words;
}

const std::vector<std::u16string>& WordList() {
    static const std::vector<std::u16string> words = [] {
        kavitro::CCalligraphyFont::GetInstance().Init(KAVITRO_SHARE_DIR, 0);
        return LoadWordList();
    }();
    return words;
}

// A new text object holds one space, and the caret stands before it.
struct TextObject {
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;

    TextObject() { paragraph.InsertCharacter(caret, u' '); }

    // Types the word and the space after it; returns the word's letters
    // (the space is no letter, as for HarfBuzz, which is given the word).
    std::size_t TypeWord(std::u16string_view word) {
        for (char16_t code : word)
            paragraph.InsertCharacter(caret, code);
        paragraph.InsertCharacter(caret, u' ');
        return word.size();
    }
};

void SetLetterCounters(benchmark::State& state, std::size_t letters) {
    state.SetItemsProcessed(static_cast<std::int64_t>(letters));
    state.counters["per_letter"] =
        benchmark::Counter(static_cast<double>(letters), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Types the word list, a hundred words to a text object; returns its letters.
std::size_t TypeWordList(const std::vector<std::u16string>& words) {
    std::size_t letters = 0;
    for (std::size_t first = 0; first < words.size(); first += kWordsPerTextObject) {
        TextObject text;
        for (std::size_t i = first; i < words.size() && i < first + kWordsPerTextObject; ++i)
            letters += text.TypeWord(words[i]);
        benchmark::DoNotOptimize(text.paragraph.m_words.data());
    }
    return letters;
}

// The word list, a hundred words to a text object.
void BM_TypeWordList(benchmark::State& state) {
    const std::vector<std::u16string>& words = WordList();
    if (words.empty()) {
        state.SkipWithError("no word list at /usr/share/hunspell/fa_IR.dic");
        return;
    }
    std::size_t letters = 0;
    for (auto _ : state)
        letters += TypeWordList(words);
    SetLetterCounters(state, letters);
}
BENCHMARK(BM_TypeWordList)->Unit(benchmark::kMillisecond);

// This thread's processor time.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// HarfBuzz shaping words with the OpenType Nastaliq font.
class HarfBuzzPeer {
public:
    HarfBuzzPeer() {
        hb_blob_t* blob = hb_blob_create_from_file_or_fail(kPeerFont);
        if (blob == nullptr)
            return;
        hb_face_t* face = hb_face_create(blob, 0);
        m_font = hb_font_create(face);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
        m_buffer = hb_buffer_create();
    }
    ~HarfBuzzPeer() {
        hb_buffer_destroy(m_buffer);
        hb_font_destroy(m_font);
    }
    HarfBuzzPeer(const HarfBuzzPeer&) = delete;
    HarfBuzzPeer& operator=(const HarfBuzzPeer&) = delete;

    bool IsReady() const { return m_font != nullptr; }
    // Returns the number of glyphs, so that the shaping is not optimised away.
    unsigned Shape(std::u16string_view word) {
        hb_buffer_clear_contents(m_buffer);
        hb_buffer_add_utf16(m_buffer, reinterpret_cast<const std::uint16_t*>(word.data()),
                            static_cast<int>(word.size()), 0, static_cast<int>(word.size()));
        hb_buffer_set_direction(m_buffer, HB_DIRECTION_RTL);
        hb_buffer_set_script(m_buffer, HB_SCRIPT_ARABIC);
        hb_buffer_set_language(m_buffer, hb_language_from_string("fa", -1));
        hb_shape(m_font, m_buffer, nullptr, 0);
        return hb_buffer_get_length(m_buffer);
    }

private:
    hb_font_t* m_font = nullptr;
    hb_buffer_t* m_buffer = nullptr;
};

// HarfBuzz shaping each word of the list once, right to left, with the
// OpenType Nastaliq font. Each iteration also types the list through the
// engine, timed apart, so that the two speeds are compared over the same
// minutes of a shared machine: times_faster is HarfBuzz's processor time
// over the engine's for the same letters (processor time, as the other
// figures here, so that time spent waiting for a busy machine counts for
// neither).
void BM_HarfBuzzWordList(benchmark::State& state) {
    const std::vector<std::u16string>& words = WordList();
    HarfBuzzPeer peer;
    if (words.empty() || !peer.IsReady()) {
        state.SkipWithError("no word list or no Noto Nastaliq Urdu");
        return;
    }
    std::size_t letters = 0;
    double harfBuzz = 0;
    double engine = 0;
    for (auto _ : state) {
        const double start = ProcessorSeconds();
        for (const std::u16string& word : words) {
            benchmark::DoNotOptimize(peer.Shape(word));
            letters += word.size();
        }
        harfBuzz += ProcessorSeconds() - start;
        state.PauseTiming();
        const double engineStart = ProcessorSeconds();
        TypeWordList(words);
        engine += ProcessorSeconds() - engineStart;
        state.ResumeTiming();
    }
    SetLetterCounters(state, letters);
    state.counters["times_faster"] = harfBuzz / engine;
}
BENCHMARK(BM_HarfBuzzWordList)->Unit(benchmark::kMillisecond);

// A text of `wordCount` typed words, built a text object at a time.
TextObject MakeText(std::size_t wordCount, const std::vector<std::u16string>& words) {
    TextObject text;
    while (text.paragraph.m_words.size() < wordCount) {
        TextObject part;
        for (std::size_t i = 0; i < kWordsPerTextObject; ++i)
            part.TypeWord(words[(text.paragraph.m_words.size() + i) % words.size()]);
        text.paragraph.InsertWords(part.paragraph, text.paragraph.GetCharacterCount());
    }
    text.caret = text.paragraph.GetCharacterCount() - 1;  // before the trailing space
    return text;
}

// Typing at the end of a text of state.range(0) words: the cost per letter
// should not grow with the text.
void BM_TypeAtEndOfText(benchmark::State& state) {
    const std::vector<std::u16string>& words = WordList();
    if (words.empty()) {
        state.SkipWithError("no word list at /usr/share/hunspell/fa_IR.dic");
        return;
    }
    const TextObject base = MakeText(static_cast<std::size_t>(state.range(0)), words);
    TextObject text = base;
    std::size_t letters = 0;
    std::size_t next = 0;
    std::size_t typedWords = 0;
    for (auto _ : state) {
        letters += text.TypeWord(words[next++ % words.size()]);
        if (++typedWords == kWordsPerTextObject) {  // back to the original length
            state.PauseTiming();
            text = base;
            typedWords = 0;
            state.ResumeTiming();
        }
    }
    SetLetterCounters(state, letters);
}
BENCHMARK(BM_TypeAtEndOfText)->Arg(0)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A paragraph of at least `letters` characters of typed words.
TextObject MakeTextOfLetters(std::size_t letters, const std::vector<std::u16string>& words) {
    TextObject text;
    std::size_t next = 0;
    while (static_cast<std::size_t>(text.paragraph.GetCharacterCount()) < letters) {
        TextObject part;
        for (std::size_t i = 0; i < kWordsPerTextObject && part.paragraph.GetCharacterCount() < std::int32_t(letters);
             ++i)
            part.TypeWord(words[next++ % words.size()]);
        text.paragraph.InsertWords(part.paragraph, text.paragraph.GetCharacterCount());
    }
    return text;
}

// Where the caret types into a long paragraph.
enum Place : std::int64_t { kStart, kMiddle, kEnd };

// The caret at the start of the paragraph, at the start of its middle word,
// or before its trailing space.
std::int32_t CaretAt(const CCalligraphyParagraph& paragraph, Place place) {
    switch (place) {
    case kStart:
        return 0;
    case kMiddle: {
        std::int32_t caret = 0;
        for (std::size_t i = 0; i < paragraph.m_words.size() / 2; ++i)
            caret += static_cast<std::int32_t>(paragraph.m_words[i].m_characters.size());
        return caret;
    }
    case kEnd:
        break;
    }
    return paragraph.GetCharacterCount() - 1;
}

// Typing words at the start, middle or end of a paragraph of state.range(0)
// letters: a keystroke should cost the same at every length and place. The
// paragraph goes back to its length, untimed, after each word that makes it
// grow by a hundredth or more, so that copying it back costs a fixed share
// of the run at every length.
void BM_TypeInParagraph(benchmark::State& state) {
    const std::vector<std::u16string>& words = WordList();
    if (words.empty()) {
        state.SkipWithError("no word list at /usr/share/hunspell/fa_IR.dic");
        return;
    }
    const auto place = static_cast<Place>(state.range(1));
    TextObject base = MakeTextOfLetters(static_cast<std::size_t>(state.range(0)), words);
    base.caret = CaretAt(base.paragraph, place);
    TextObject text = base;
    std::size_t keystrokes = 0;
    std::size_t next = 0;
    const std::size_t growthBeforeReset = static_cast<std::size_t>(state.range(0)) / 100;
    std::size_t grown = 0;
    for (auto _ : state) {
        const std::u16string& word = words[next++ % words.size()];
        text.TypeWord(word);
        keystrokes += word.size() + 1;
        grown += word.size() + 1;
        if (grown >= growthBeforeReset) {
            state.PauseTiming();
            text = base;
            grown = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(keystrokes));
    state.counters["per_keystroke"] = benchmark::Counter(static_cast<double>(keystrokes),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    static const char* const kPlaceNames[] = {"start", "middle", "end"};
    state.SetLabel(kPlaceNames[place]);
}
BENCHMARK(BM_TypeInParagraph)
    ->ArgsProduct({{10, 1000, 10000, 100000}, {kStart, kMiddle, kEnd}})
    ->Unit(benchmark::kMicrosecond);

// A held space bar, then typing on: 8,000 spaces into a new text object,
// then 8,000 letters of the word list (with the spaces between its words)
// into the same paragraph. A keystroke must cost the same however long the
// run of spaces before it is, and none may stall: every keystroke is timed
// on its own. On a shared machine any single timing may include a switch to
// another process, so each keystroke's time is its fastest over the
// iterations of the run: slowest_keystroke is the largest of those (in
// seconds) and over_2us counts the keystrokes above 2 us. Growing a word's
// or the paragraph's arrays shows there, as it costs the same in every
// iteration; raw_slowest is the slowest single timing, noise included.
// The allocator is told to keep what the iterations free, as a running
// program's heap does once it has grown to its size: otherwise it hands the
// text's memory back to the system after every iteration, and each page the
// next one touches first costs a fault (several microseconds on a busy
// virtual machine) that belongs to the process's growth, not to typing.
void BM_TypeAfterLongRunOfSpaces(benchmark::State& state) {
    const std::vector<std::u16string>& words = WordList();
    if (words.empty()) {
        state.SkipWithError("no word list at /usr/share/hunspell/fa_IR.dic");
        return;
    }
    constexpr int kKeptBytes = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, kKeptBytes);
    mallopt(M_TRIM_THRESHOLD, kKeptBytes);
    constexpr std::size_t kSpaces = 8000;
    constexpr std::size_t kLetters = 8000;
    std::u16string keys(kSpaces, u' ');
    for (std::size_t i = 0, letters = 0; letters < kLetters; ++i) {
        const std::u16string& word = words[i % words.size()];
        keys += word;
        keys += u' ';
        letters += word.size();
    }
    std::vector<double> fastest(keys.size(), std::numeric_limits<double>::infinity());
    double rawSlowest = 0;
    std::size_t keystrokes = 0;
    for (auto _ : state) {
        TextObject text;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            text.paragraph.InsertCharacter(text.caret, keys[i]);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            fastest[i] = std::min(fastest[i], took.count());
            rawSlowest = std::max(rawSlowest, took.count());
        }
        keystrokes += keys.size();
        benchmark::DoNotOptimize(text.paragraph.m_words.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(keystrokes));
    state.counters["per_keystroke"] = benchmark::Counter(static_cast<double>(keystrokes),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["slowest_keystroke"] = *std::max_element(fastest.begin(), fastest.end());
    state.counters["over_2us"] =
        static_cast<double>(std::count_if(fastest.begin(), fastest.end(), [](double t) { return t > 2e-6; }));
    state.counters["raw_slowest"] = rawSlowest;
}
BENCHMARK(BM_TypeAfterLongRunOfSpaces)->Unit(benchmark::kMillisecond);

}  // namespace
