#pragma once

// The EPS writer's files name the Illustrator 3 procsets without carrying
// them, as their readers supply them. Prepended to such a file, this stub
// gives ghostscript just those names, so it can render the file.

namespace kavitro::test {

inline constexpr const char* kGhostscriptProcsetStub = R"(%!PS
/Adobe_packedarray 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_cmykcolor 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_cshow 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_customcolor 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_typography_AI3 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_pattern_AI3 2 dict dup begin /initialize {} def /terminate {} def end def
/Adobe_IllustratorA_AI3 2 dict dup begin /initialize {} def /terminate {} def end def
/O {pop} def /k {setcmykcolor} def /J {setlinecap} def /j {setlinejoin} def /w {setlinewidth} def
/m {moveto} def /l {lineto} def /c {curveto} def
/f {closepath} def /n {closepath} def
/*u {newpath} def /*U {eofill} def
/annotatepage {} def
)";

}  // namespace kavitro::test
