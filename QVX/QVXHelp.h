// Instrument frequency guide: for each of twelve instruments, the frequency
// ranges worth knowing when equalising it. The effect shows a set's name as
// the text of "Guide Display"; the editor draws the ranges.
//
// The table is constant data: any thread may read it.
#pragma once

enum EQvxGuideSet {
  kQvxGuideNone = 0,
  kQvxGuideKick,
  kQvxGuideSnare,
  kQvxGuideToms,
  kQvxGuideCymbals,
  kQvxGuideBassGuitar,
  kQvxGuideAcousticGuitar,
  kQvxGuideVocals,
  kQvxGuideElectricGuitar,
  kQvxGuideHorns,
  kQvxGuideStrings,
  kQvxGuideMix,
  kQvxNumGuideSets
};

struct QvxGuideRange {
  float fLowHz;
  float fHighHz;  // 0 ends the set
  const char* pszLabel;
};

struct QvxGuideSet {
  const char* pszInstrument;  // "" for the empty set 0
  QvxGuideRange rows[10];
};

extern const QvxGuideSet g_sQvxGuideSet[kQvxNumGuideSets];

// Instrument name of a set; the empty name for any index outside 0..11.
const char* QvxGuideSetName(int set);
