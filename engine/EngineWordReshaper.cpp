// The stylistic variants shaped by the engine of the paragraph's context.

#include "engine/CalligraphyEngine.h"
#include "engine/StylisticVariants.h"

namespace kavitro {

namespace {

// Points the engine at a word standing alone for one re-shaping, and puts
// back what it pointed at before.
class IsolatedEngineWord {
public:
    IsolatedEngineWord(CCalligraphyEngine& engine, CCalligraphyWord& word)
        : m_engine(engine),
          m_savedCurrent(m_engine.GetCurrentWord()),
          m_savedPrevious(m_engine.GetPreviousWord()) {
        m_engine.SetCurrentWord(&word);
        m_engine.SetPreviousWord(nullptr);
    }
    ~IsolatedEngineWord() {
        m_engine.SetCurrentWord(m_savedCurrent);
        m_engine.SetPreviousWord(m_savedPrevious);
    }
    IsolatedEngineWord(const IsolatedEngineWord&) = delete;
    IsolatedEngineWord& operator=(const IsolatedEngineWord&) = delete;

    CCalligraphyEngine* operator->() const { return &m_engine; }

private:
    CCalligraphyEngine& m_engine;
    CCalligraphyWord* m_savedCurrent;
    CCalligraphyWord* m_savedPrevious;
};

}  // namespace

CCalligraphyWord CEngineWordReshaper::Refeed(const CCalligraphyWord& word, std::size_t before) {
    CCalligraphyWord shaped;
    IsolatedEngineWord engine(m_engine, shaped);
    for (std::size_t j = 0; j < word.m_characters.size(); ++j) {
        if (j == before)
            engine->ApplyAlternateForm();
        engine->AddCharacter(word.m_characters[j]);
    }
    return shaped;
}

void CEngineWordReshaper::ApplyGlyphVariant(CCalligraphyWord& word, std::int32_t cursor) {
    IsolatedEngineWord engine(m_engine, word);
    engine->ApplyGlyphVariant(cursor);
}

void CEngineWordReshaper::ApplyGlyphSwap(CCalligraphyWord& word, std::int32_t cursor) {
    IsolatedEngineWord engine(m_engine, word);
    engine->ApplyGlyphSwap(cursor);
}

void CCalligraphyParagraph::BuildStylisticVariants(const CCalligraphyWord& source) {
    CEngineWordReshaper reshaper(m_context.Engine());
    CStylisticVariantBuilder(reshaper).Build(source, *this);
}

}  // namespace kavitro
