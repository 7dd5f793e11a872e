#include "engine/CalligraphyEngine.h"

#include <algorithm>
#include <limits>

#include "engine/KafGafStrokes.h"
#include "engine/RuleEvaluator.h"
#include "engine/TextModificationEvaluator.h"
#include "platform/Saturating.h"

namespace kavitro {

namespace {

constexpr GlyphId kAlternateTailKey = MakeGlyph(4, 33);

void Lift(CCalligraphyCharacter& c, std::int32_t lift) { c.m_yOffset = Wrap32(std::int64_t{c.m_yOffset} - lift); }

void WriteGlyph(CCalligraphyCharacter& c, GlyphId glyph) {
    if (glyph != CCalligraphyEngine::kKeepGlyph) c.SetGlyph(glyph);
}

// A table compiled under a name the engine knows serves only as the kind the
// engine uses it as.
template <typename Table>
const Table* OfKind(const Table* table, decltype(Table::kind) kind) {
    return table != nullptr && table->kind == kind ? table : nullptr;
}

const rules::RuleTable* FindTable(std::string_view name, rules::TableKind kind) {
    return OfKind(rules::FindRuleTable(name), kind);
}

const rules::ModificationTable* FindTable(std::string_view name, rules::ModificationKind kind) {
    return OfKind(rules::FindModificationTable(name), kind);
}

using Routine = void (CCalligraphyEngine::*)();

// Indexed by LetterGroup.
constexpr Routine kRoutines[kLetterGroupCount] = {
    &CCalligraphyEngine::ShapeAin,  &CCalligraphyEngine::ShapeAlef, &CCalligraphyEngine::ShapeBeh,
    &CCalligraphyEngine::ShapeDal,  &CCalligraphyEngine::ShapeFeh,  &CCalligraphyEngine::ShapeHeh,
    &CCalligraphyEngine::ShapeJeem, &CCalligraphyEngine::ShapeKaf,  &CCalligraphyEngine::ShapeLam,
    &CCalligraphyEngine::ShapeMeem, &CCalligraphyEngine::ShapeNoon, &CCalligraphyEngine::ShapeQaf,
    &CCalligraphyEngine::ShapeReh,  &CCalligraphyEngine::ShapeSad,  &CCalligraphyEngine::ShapeSeen,
    &CCalligraphyEngine::ShapeTah,  &CCalligraphyEngine::ShapeWaw,  &CCalligraphyEngine::ShapeYeh,
};

// The stroke of a keheh or gaf follows its body; a stroke that follows
// another kaf or gaf (code `before`) is always the short one.
void SelectStroke(CCalligraphyCharacter& c, std::uint16_t before) {
    if (IsKehehOrGafCode(c.m_code)) {
        if (const std::optional<std::uint8_t> stroke = FindKafGafStroke(c.m_code, c.GetGlyph())) c.m_mark = *stroke;
    }
    if (IsKehehOrGafCode(before)) {
        if (c.m_mark == kKehehLongStroke) c.m_mark = kKehehShortStroke;
        if (c.m_mark == kGafLongStroke) c.m_mark = kGafShortStroke;
    }
}

// SelectKafGafStroke for the letters of the current word from forward index
// first on, in one walk. Each letter's stroke depends only on its own glyph
// and the code before it, and choosing it twice gives the same stroke, so a
// letter that nothing re-shaped since its stroke was chosen keeps it.
void SelectWordStrokes(CCalligraphyWord& current, const CCalligraphyWord* previous, std::size_t first) {
    auto& characters = current.m_characters;
    first = std::min(first, characters.size());
    std::uint16_t before = first > 0 ? characters[first - 1].m_code
                           : previous != nullptr && !previous->m_characters.empty()
                               ? previous->m_characters.back().m_code
                               : 0;
    for (std::size_t i = first; i < characters.size(); ++i) {
        SelectStroke(characters[i], before);
        before = characters[i].m_code;
    }
}

}  // namespace

CCalligraphyEngine& CCalligraphyEngine::GetInstance() {
    static CCalligraphyEngine engine;
    return engine;
}

CCalligraphyEngine::CCalligraphyEngine() {
    for (std::size_t g = 0; g < kLetterGroupCount; ++g)
        m_letterTables[g] = FindTable(LetterGroupTableName(static_cast<LetterGroup>(g)), rules::TableKind::Letter);
    m_wordEndTable = FindTable("wordend", rules::TableKind::Wordend);
    m_alternateTable = FindTable("alternate", rules::TableKind::Alternate);
    for (std::size_t g = 0; g < kLetterGroupCount; ++g)
        if (m_letterTables[g] != nullptr) m_letterRows[g] = RowsOf(*m_letterTables[g]);
    if (m_wordEndTable != nullptr) m_wordEndRows = RowsOf(*m_wordEndTable);
    if (m_alternateTable != nullptr) m_alternateRows = RowsOf(*m_alternateTable);
    m_variantTable = FindTable("glyph_variant", rules::ModificationKind::Variant);
    m_variantLookupTable = FindTable("glyph_variant_lookup", rules::ModificationKind::Variant);
    m_swapTable = FindTable("glyph_swap", rules::ModificationKind::Swap);
    m_swapSecondTable = FindTable("glyph_swap2", rules::ModificationKind::Swap);
}

CCalligraphyEngine::~CCalligraphyEngine() = default;

void CCalligraphyEngine::WatchWrites(CCharacterArray* previousBackup) {
    m_previousBackup = previousBackup;
    m_previousWritten = false;
    m_deepestWrite = 0;
    m_strokesSettled = false;
    m_unpassedFrom = 0;
}

void CCalligraphyEngine::SetStrokesSettled(bool settled) {
    m_strokesSettled = settled;
    if (settled) m_unpassedFrom = m_currentWord != nullptr ? m_currentWord->m_characters.size() : 0;
}

const CCalligraphyCharacter* CCalligraphyEngine::Locate(std::int32_t k) const {
    if (m_currentWord == nullptr || k < 0) return nullptr;
    const auto& current = m_currentWord->m_characters;
    const std::size_t back = static_cast<std::size_t>(k);
    if (back < current.size()) return &current[current.size() - 1 - back];
    if (m_previousWord == nullptr) return nullptr;
    const auto& previous = m_previousWord->m_characters;
    const std::size_t intoPrevious = back - current.size();
    if (intoPrevious < previous.size()) return &previous[previous.size() - 1 - intoPrevious];
    return nullptr;
}

CCalligraphyCharacter* CCalligraphyEngine::FindCharacter(std::int32_t k) {
    const CCalligraphyCharacter* c = Locate(k);
    if (c == nullptr) return nullptr;
    const std::size_t size = m_currentWord->m_characters.size();
    if (static_cast<std::size_t>(k) < size) {
        m_deepestWrite = std::max(m_deepestWrite, k);
        m_unpassedFrom = std::min(m_unpassedFrom, size - 1 - static_cast<std::size_t>(k));
    } else if (!m_previousWritten) {
        m_previousWritten = true;
        if (m_previousBackup != nullptr) *m_previousBackup = m_previousWord->m_characters;
    }
    return const_cast<CCalligraphyCharacter*>(c);
}

const CCalligraphyCharacter& CCalligraphyEngine::GetCharacter(std::int32_t k) const {
    const CCalligraphyCharacter* c = Locate(k);
    return c != nullptr ? *c : m_emptyCharacter;
}

void CCalligraphyEngine::SetGlyph(std::int32_t k, GlyphId glyph) {
    if (CCalligraphyCharacter* c = FindCharacter(k)) WriteGlyph(*c, glyph);
}

void CCalligraphyEngine::AddYOffset(std::int32_t k, std::int32_t delta) {
    if (CCalligraphyCharacter* c = FindCharacter(k)) c->m_yOffset = Wrap32(std::int64_t{c->m_yOffset} + delta);
}

std::int32_t CCalligraphyEngine::AppendCharacter(std::uint16_t code) {
    if (m_currentWord == nullptr) return 0;
    const LetterCode* letter = FindLetter(code);
    const WordEndCode* wordEnd = letter == nullptr ? FindWordEnd(code) : nullptr;
    if (letter == nullptr && wordEnd == nullptr) return 0;

    auto& characters = m_currentWord->m_characters;
    characters.emplace_back().m_code = code;
    m_unpassedFrom = std::min(m_unpassedFrom, characters.size() - 1);

    if (letter != nullptr) {
        (this->*kRoutines[static_cast<std::size_t>(letter->group)])();
        characters.back().m_mark = letter->mark;
    } else if (code == kSpaceCode) {
        SetGlyph(0, kSpaceGlyph);
        ApplyWordEndForms();
    } else {
        // The word-end forms look only at the letters before c0, so c0 gets
        // its glyph afterwards.
        ApplyWordEndForms();
        SetGlyph(0, wordEnd->glyph);
        characters.back().m_mark = 0;
    }

    if (characters.back().m_glyph == 0) {
        characters.pop_back();
        return 0;
    }
    // The pass visits the whole word, unless the caller knows that the
    // letters nothing wrote since the last pass have their strokes.
    SelectWordStrokes(*m_currentWord, m_previousWord, m_strokesSettled ? m_unpassedFrom : 0);
    m_unpassedFrom = characters.size();
    return 1;
}

void CCalligraphyEngine::AddCharacter(const CCalligraphyCharacter& stored) {
    constexpr std::uint8_t kKeptFlags = CCalligraphyCharacter::kAlternate | CCalligraphyCharacter::kModified;
    if (AppendCharacter(stored.m_code) != 1) return;
    CCalligraphyCharacter& c0 = m_currentWord->m_characters.back();
    c0.m_flags = static_cast<std::uint8_t>((c0.m_flags & ~kKeptFlags) | (stored.m_flags & kKeptFlags));
}

// Only a dal or thal looks at the letter after it, and only when nothing joins
// into it; a dal before it never joins onward (the letter after that dal is
// this dal, not a reh), so the look-back ends after one step.
bool CCalligraphyEngine::IsChainStart(std::int32_t k) const {
    const std::uint16_t code = GetCharacter(k).GetCode();
    if (code == 0) return true;
    if (!IsDalOrThal(code)) return IsNonJoining(code, 0);
    const std::uint16_t next = GetCharacter(k - 1).GetCode();
    if (IsNonJoining(code, next)) return true;  // next is no reh, zain or jeh
    return !IsChainStart(k + 1);
}

void CCalligraphyEngine::SetPrevious1(GlyphId g1, std::int32_t d1) {
    if (CCalligraphyCharacter* c1 = FindCharacter(1)) {
        WriteGlyph(*c1, g1);
        Lift(*c1, d1);
    }
}

// c1 is taken without a join test (the caller knows it joins c0); from c2 on
// the walk stops at the first letter that does not belong to the chain.
void CCalligraphyEngine::ApplyChain(const GlyphId* glyphs, const std::int32_t* lifts, std::int32_t count,
                                    std::int32_t rest) {
    for (std::int32_t k = 1;; ++k) {
        if (k >= 2 && IsChainStart(k)) return;
        CCalligraphyCharacter* c = FindCharacter(k);
        if (c == nullptr) return;
        if (k <= count) {
            Lift(*c, lifts[k - 1]);
            WriteGlyph(*c, glyphs[k - 1]);
        } else {
            Lift(*c, rest);
        }
    }
}

void CCalligraphyEngine::SetPrevious1Chain(GlyphId g1, std::int32_t d1, std::int32_t rest) {
    ApplyChain(&g1, &d1, 1, rest);
}

void CCalligraphyEngine::SetPrevious2Chain(GlyphId g1, GlyphId g2, std::int32_t d1, std::int32_t d2,
                                           std::int32_t rest) {
    const GlyphId glyphs[] = {g1, g2};
    const std::int32_t lifts[] = {d1, d2};
    ApplyChain(glyphs, lifts, 2, rest == kRepeatLastLift ? d2 : rest);
}

void CCalligraphyEngine::SetPrevious3Chain(GlyphId g1, GlyphId g2, GlyphId g3, std::int32_t d1, std::int32_t d2,
                                           std::int32_t d3, std::int32_t rest) {
    const GlyphId glyphs[] = {g1, g2, g3};
    const std::int32_t lifts[] = {d1, d2, d3};
    ApplyChain(glyphs, lifts, 3, rest == kRepeatLastLift ? d3 : rest);
}

void CCalligraphyEngine::SetPrevious4Chain(GlyphId g1, GlyphId g2, GlyphId g3, GlyphId g4, std::int32_t d1,
                                           std::int32_t d2, std::int32_t d3, std::int32_t d4, std::int32_t rest) {
    const GlyphId glyphs[] = {g1, g2, g3, g4};
    const std::int32_t lifts[] = {d1, d2, d3, d4};
    ApplyChain(glyphs, lifts, 4, rest == kRepeatLastLift ? d4 : rest);
}

void CCalligraphyEngine::SetPrevious5Chain(GlyphId g1, GlyphId g2, GlyphId g3, GlyphId g4, GlyphId g5,
                                           std::int32_t d1, std::int32_t d2, std::int32_t d3, std::int32_t d4,
                                           std::int32_t d5, std::int32_t rest) {
    const GlyphId glyphs[] = {g1, g2, g3, g4, g5};
    const std::int32_t lifts[] = {d1, d2, d3, d4, d5};
    ApplyChain(glyphs, lifts, 5, rest == kRepeatLastLift ? d5 : rest);
}

void CCalligraphyEngine::ShapeLetter(LetterGroup group) {
    const auto g = static_cast<std::size_t>(group);
    if (const rules::RuleTable* table = m_letterTables[g]) CRuleEvaluator::Run(*this, *table, m_letterRows[g]);
}

void CCalligraphyEngine::ApplyWordEndForms() {
    if (m_currentWord == nullptr || m_wordEndTable == nullptr) return;
    if (CRuleEvaluator::Run(*this, *m_wordEndTable, m_wordEndRows) == RuleResult::Alternate) ApplyAlternateForm();
}

void CCalligraphyEngine::ApplyAlternateForm() {
    if (m_currentWord == nullptr || m_alternateTable == nullptr) return;
    const auto& characters = m_currentWord->m_characters;
    if (characters.size() < 3 || !characters[characters.size() - 2].IsAlternate()) return;
    CRuleEvaluator::Run(*this, *m_alternateTable, m_alternateRows);
}

// The tail rows live in the alternate table under their key 4/33; no other
// key of that table can hold while c1 shows it.
void CCalligraphyEngine::ApplyAlternateFormTail() {
    if (m_alternateTable == nullptr || !GetCharacter(1).HasGlyph(kAlternateTailKey)) return;
    CRuleEvaluator::Run(*this, *m_alternateTable, m_alternateRows);
}

void CCalligraphyEngine::SelectKafGafStroke(std::int32_t i) {
    if (CCalligraphyCharacter* c = FindCharacter(i)) SelectStroke(*c, GetCharacter(i + 1).GetCode());
}

// --- Text-modification commands ---------------------------------------------------

const CCalligraphyCharacter& CCalligraphyEngine::GetCharacterAt(std::int32_t index) const {
    if (m_currentWord == nullptr || index < 0) return m_emptyCharacter;
    const auto& characters = m_currentWord->m_characters;
    const auto i = static_cast<std::size_t>(index);
    return i < characters.size() ? characters[i] : m_emptyCharacter;
}

void CCalligraphyEngine::ApplyGlyphVariant(std::int32_t cursor) {
    m_textModification = {};
    // A cursor of 0 or less leaves no letter before it, and no row holds for
    // the empty character.
    if (cursor > 0) {
        const std::int32_t target = cursor - 1;
        const rules::ModificationOutcome* direct = FindTextModification(m_variantTable, target);
        if (direct == nullptr || direct->verdict == rules::ModificationVerdict::Lookup)
            LookupGlyphVariant(target);
        else
            TakeTextModification(*direct);
        ApplyTextModification(target);
    }
    SelectAllKafGafStrokes();
}

void CCalligraphyEngine::ApplyGlyphSwap(std::int32_t cursor) {
    m_textModification = {};
    // An absent target reads as the empty character, which has no row in
    // either part, so the strokes are chosen again.
    bool secondPartConsulted = true;
    if (cursor > 0) {
        secondPartConsulted = LookupGlyphSwap(cursor - 1);
        ApplyTextModification(cursor - 1);
    }
    if (secondPartConsulted) SelectAllKafGafStrokes();
}

void CCalligraphyEngine::LookupGlyphVariant(std::int32_t index) {
    if (const rules::ModificationOutcome* outcome = FindTextModification(m_variantLookupTable, index))
        TakeTextModification(*outcome);
}

bool CCalligraphyEngine::LookupGlyphSwap(std::int32_t index) {
    if (const rules::ModificationOutcome* outcome = FindTextModification(m_swapTable, index)) {
        TakeTextModification(*outcome);
        return false;
    }
    if (const rules::ModificationOutcome* outcome = FindTextModification(m_swapSecondTable, index))
        TakeTextModification(*outcome);
    return true;
}

const rules::ModificationOutcome* CCalligraphyEngine::FindTextModification(const rules::ModificationTable* table,
                                                                           std::int32_t index) const {
    if (table == nullptr) return nullptr;
    constexpr std::int32_t kFirst = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();
    const CCalligraphyCharacter& previous = index > kFirst ? GetCharacterAt(index - 1) : m_emptyCharacter;
    const CCalligraphyCharacter& next = index < kLast ? GetCharacterAt(index + 1) : m_emptyCharacter;
    return CTextModificationEvaluator::FindFirstMatch(*table, {GetCharacterAt(index), previous, next});
}

void CCalligraphyEngine::TakeTextModification(const rules::ModificationOutcome& outcome) {
    if (outcome.verdict != rules::ModificationVerdict::Modify) return;
    m_textModification = {outcome.shifts, outcome.glyphs};
}

void CCalligraphyEngine::ApplyTextModification(std::int32_t target) {
    const rules::ModificationShifts& shifts = m_textModification.shifts;
    const rules::ModificationGlyphs& glyphs = m_textModification.glyphs;
    if (glyphs.target == 0 || m_currentWord == nullptr || target < 0) return;
    auto& word = m_currentWord->m_characters;
    const auto t = static_cast<std::size_t>(target);
    if (t >= word.size()) return;

    word[t].m_flags |= CCalligraphyCharacter::kModified;
    // Every earlier letter moves, whether or not it joins the target: the
    // nearest three by their own shifts where they have one, the rest by
    // the rest shift. A new previous glyph always comes with its own shift.
    const std::int32_t ownShifts[] = {shifts.previous1, shifts.previous2, shifts.previous3};
    for (std::size_t i = 0; i < t; ++i) {
        const std::size_t distance = t - i;
        std::int32_t shift = shifts.rest;
        if (distance == 1 && glyphs.previous != 0) {
            word[i].SetGlyph(glyphs.previous);
            shift = shifts.previous1;
        } else if (distance <= 3 && ownShifts[distance - 1] != 0) {
            shift = ownShifts[distance - 1];
        }
        Lift(word[i], shift);
    }
    word[t].SetGlyph(glyphs.target);
    Lift(word[t], shifts.target);
    const std::int32_t nextShifts[] = {shifts.next1, shifts.next2, shifts.next3};
    for (std::size_t e = 1; e <= 3 && t + e < word.size(); ++e) {
        if (e == 1 && glyphs.next != 0) word[t + 1].SetGlyph(glyphs.next);
        Lift(word[t + e], nextShifts[e - 1]);
    }
}

void CCalligraphyEngine::SelectAllKafGafStrokes() {
    if (m_currentWord != nullptr) SelectWordStrokes(*m_currentWord, m_previousWord, 0);
}

}  // namespace kavitro
