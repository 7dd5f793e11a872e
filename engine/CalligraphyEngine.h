#pragma once

// The shaping engine. It owns no text: before each operation the caller points
// it at the word being shaped (the current word) and the word before it (the
// previous word, or none). Characters are addressed by back-index: c0 is the
// newest character of the current word, c1 the one before it, and counting
// goes on into the previous word; beyond both lies an empty character
// (code 0, glyph 0/0) that nothing can write to.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/CodePointTable.h"
#include "engine/RuleWalker.h"
#include "engine/rules/RuleTable.h"

namespace kavitro {

// The outcome of a glyph-variant or glyph-swap lookup, as the table row
// gives it; shifts are subtracted from y offsets, glyphs of 0 mean "keep".
struct CTextModificationResult {
    rules::ModificationShifts shifts{};
    rules::ModificationGlyphs glyphs{};
};

class CCalligraphyEngine {
public:
    // In a glyph argument: leave the letter's glyph as it is and only move it.
    static constexpr GlyphId kKeepGlyph = rules::kKeepGlyph;
    // As the rest lift of SetPrevious2Chain..SetPrevious5Chain: repeat the
    // last named lift for the rest of the chain.
    static constexpr std::int32_t kRepeatLastLift = 10000;

    // The process-wide engine, built on first use.
    static CCalligraphyEngine& GetInstance();

    // Tests build their own engines; the program uses GetInstance.
    CCalligraphyEngine();
    CCalligraphyEngine(const CCalligraphyEngine&) = delete;
    CCalligraphyEngine& operator=(const CCalligraphyEngine&) = delete;
    virtual ~CCalligraphyEngine();

    // --- The two words, valid for one operation ---------------------------
    void SetCurrentWord(CCalligraphyWord* word) { m_currentWord = word; }
    void SetPreviousWord(CCalligraphyWord* word) { m_previousWord = word; }
    CCalligraphyWord* GetCurrentWord() const { return m_currentWord; }
    CCalligraphyWord* GetPreviousWord() const { return m_previousWord; }

    // --- What the operations since the last WatchWrites changed ---------------
    // Starts watching; before the first write into the previous word its
    // characters are copied to previousBackup (when not null), so that the
    // caller can measure or undo the change without copying the word when
    // nothing touches it.
    void WatchWrites(CCharacterArray* previousBackup);
    bool HasWrittenPrevious() const { return m_previousWritten; }
    // The largest back-index written in the current word (0: only c0).
    std::int32_t GetDeepestWrite() const { return m_deepestWrite; }
    // The caller knows that every stroke of the current word was chosen
    // since its letter last changed, so that the stroke pass after an
    // appended character need only visit the letters written since then
    // (until the next WatchWrites or SetStrokesSettled(false)).
    void SetStrokesSettled(bool settled);

    // The "ZurazOrovaWriting" setting; the rules only ask whether it is 0.
    std::int32_t GetMode() const { return m_mode; }
    void SetMode(std::int32_t mode) { m_mode = mode; }

    CTextModificationResult& GetTextModification() { return m_textModification; }
    const CTextModificationResult& GetTextModification() const { return m_textModification; }

    // --- Reading and writing by back-index --------------------------------
    // ck, or the empty character when there is none.
    const CCalligraphyCharacter& GetCharacter(std::int32_t k) const;
    // Writes to a character that does not exist do nothing.
    void SetGlyph(std::int32_t k, GlyphId glyph);
    void AddYOffset(std::int32_t k, std::int32_t delta);
    // Index of c0 in the current word (-1 when it is empty, 0 without one).
    std::int32_t GetLastIndex() const {
        return m_currentWord == nullptr ? 0 : static_cast<std::int32_t>(m_currentWord->m_characters.size()) - 1;
    }

    // --- Dispatcher --------------------------------------------------------
    // Appends code to the current word and shapes it: 1 accepted, 0 refused
    // (the word is left as it was).
    std::int32_t AppendCharacter(std::uint16_t code);
    // Re-feeds a stored character; when accepted it keeps its stored
    // alternate and modified flags.
    void AddCharacter(const CCalligraphyCharacter& stored);

    // --- Joining -------------------------------------------------------------
    static bool IsNonJoining(std::uint16_t code, std::uint16_t next) { return IsNonJoiningCode(code, next); }
    // ck is absent or does not join c(k-1).
    bool IsChainStart(std::int32_t k) const;

    // --- Re-shaping the letters before c0 (lifts are subtracted) ----------
    void SetPrevious1(GlyphId g1, std::int32_t d1);
    // c1, then every further letter of its chain by rest (taken literally).
    void SetPrevious1Chain(GlyphId g1, std::int32_t d1, std::int32_t rest);
    // c1..cN as far as the chain reaches, then the rest of the chain by rest,
    // where kRepeatLastLift stands for dN.
    void SetPrevious2Chain(GlyphId g1, GlyphId g2, std::int32_t d1, std::int32_t d2, std::int32_t rest);
    void SetPrevious3Chain(GlyphId g1, GlyphId g2, GlyphId g3, std::int32_t d1, std::int32_t d2, std::int32_t d3,
                           std::int32_t rest);
    void SetPrevious4Chain(GlyphId g1, GlyphId g2, GlyphId g3, GlyphId g4, std::int32_t d1, std::int32_t d2,
                           std::int32_t d3, std::int32_t d4, std::int32_t rest);
    void SetPrevious5Chain(GlyphId g1, GlyphId g2, GlyphId g3, GlyphId g4, GlyphId g5, std::int32_t d1,
                           std::int32_t d2, std::int32_t d3, std::int32_t d4, std::int32_t d5, std::int32_t rest);

    // --- Letter-group routines: shape c0, re-shape c1..c5 -------------------
    void ShapeAin() { ShapeLetter(LetterGroup::Ain); }
    void ShapeAlef() { ShapeLetter(LetterGroup::Alef); }
    void ShapeBeh() { ShapeLetter(LetterGroup::Beh); }
    void ShapeDal() { ShapeLetter(LetterGroup::Dal); }
    void ShapeFeh() { ShapeLetter(LetterGroup::Feh); }
    void ShapeHeh() { ShapeLetter(LetterGroup::Heh); }
    void ShapeJeem() { ShapeLetter(LetterGroup::Jeem); }
    void ShapeKaf() { ShapeLetter(LetterGroup::Kaf); }
    void ShapeLam() { ShapeLetter(LetterGroup::Lam); }
    void ShapeMeem() { ShapeLetter(LetterGroup::Meem); }
    void ShapeNoon() { ShapeLetter(LetterGroup::Noon); }
    void ShapeQaf() { ShapeLetter(LetterGroup::Qaf); }
    void ShapeReh() { ShapeLetter(LetterGroup::Reh); }
    void ShapeSad() { ShapeLetter(LetterGroup::Sad); }
    void ShapeSeen() { ShapeLetter(LetterGroup::Seen); }
    void ShapeTah() { ShapeLetter(LetterGroup::Tah); }
    void ShapeWaw() { ShapeLetter(LetterGroup::Waw); }
    void ShapeYeh() { ShapeLetter(LetterGroup::Yeh); }

    // --- Rules the engine applies itself -----------------------------------
    // After a word-end character: the last letters take their final forms.
    void ApplyWordEndForms();
    // The user's alternate form of c1, in words of at least three characters.
    void ApplyAlternateForm();
    // The alternate form of c1 = 4/33 (called by ApplyAlternateForm).
    void ApplyAlternateFormTail();
    // Re-chooses the stroke of a keheh or gaf at back-index i from its body.
    void SelectKafGafStroke(std::int32_t i);

    // --- Text-modification commands on the letter before a caret offset -----
    // The character at forward index i of the current word, or the empty
    // character (also without a current word).
    const CCalligraphyCharacter& GetCharacterAt(std::int32_t index) const;
    // Key 65431: the letter before cursor steps to its next glyph variant;
    // the letters around it may take new joining glyphs and move.
    void ApplyGlyphVariant(std::int32_t cursor);
    // Key 65432: the letter before cursor switches to its paired form; the
    // letters before it move by the rest shift.
    void ApplyGlyphSwap(std::int32_t cursor);
    // Fill the text-modification result for the letter at forward index i
    // (reading its neighbours) from the variant lookup, or from the swap
    // table; LookupGlyphSwap tells whether it had to consult the swap
    // table's second part, after which the strokes are chosen again.
    void LookupGlyphVariant(std::int32_t index);
    bool LookupGlyphSwap(std::int32_t index);

private:
    void ShapeLetter(LetterGroup group);
    const CCalligraphyCharacter* Locate(std::int32_t k) const;
    // ck for writing (nullptr when absent); the write is recorded.
    CCalligraphyCharacter* FindCharacter(std::int32_t k);
    void ApplyChain(const GlyphId* glyphs, const std::int32_t* lifts, std::int32_t count, std::int32_t rest);
    // The first row of table that holds for the letter at forward index i
    // and its neighbours, or nullptr (also without a table).
    const rules::ModificationOutcome* FindTextModification(const rules::ModificationTable* table,
                                                           std::int32_t index) const;
    // A row's result fields replace the text-modification result.
    void TakeTextModification(const rules::ModificationOutcome& outcome);
    // Writes the text-modification result into the current word around the
    // target at index; nothing when the result names no target glyph.
    void ApplyTextModification(std::int32_t target);
    void SelectAllKafGafStrokes();

    const CCalligraphyCharacter m_emptyCharacter{};
    std::int32_t m_mode = 0;
    CCalligraphyWord* m_currentWord = nullptr;
    CCalligraphyWord* m_previousWord = nullptr;
    CTextModificationResult m_textModification;
    CCharacterArray* m_previousBackup = nullptr;
    bool m_previousWritten = false;
    bool m_strokesSettled = false;
    // Forward index of the first letter of the current word written since
    // the last stroke pass (its size or more: none).
    std::size_t m_unpassedFrom = 0;
    std::int32_t m_deepestWrite = 0;

    // Resolved once; a missing table makes its routine refuse (letters) or
    // change nothing (word-end and alternate forms, variants and swaps).
    std::array<const rules::RuleTable*, kLetterGroupCount> m_letterTables{};
    const rules::RuleTable* m_wordEndTable = nullptr;
    const rules::RuleTable* m_alternateTable = nullptr;
    // Their rows as the walker reads them, looked up once.
    std::array<TableRows, kLetterGroupCount> m_letterRows{};
    TableRows m_wordEndRows;
    TableRows m_alternateRows;
    const rules::ModificationTable* m_variantTable = nullptr;
    const rules::ModificationTable* m_variantLookupTable = nullptr;
    const rules::ModificationTable* m_swapTable = nullptr;
    const rules::ModificationTable* m_swapSecondTable = nullptr;
};

}  // namespace kavitro
