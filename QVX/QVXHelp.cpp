// Instrument frequency guide table.
#include "QVX/QVXHelp.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("QVX/QVXHelp");

const QvxGuideSet g_sQvxGuideSet[kQvxNumGuideSets] = {
    {"", {}},
    {"Kick drum", {{80, 100, "Bottom / Punch"}, {300, 500, "Hollowness"}, {2600, 6000, "Cut through"}}},
    {"Snare Drum", {{120, 300, "Fatness"}, {800, 1200, "Box"}, {400, 6000, "Crispness"}, {8000, 12000, "Snap"}}},
    {"Toms", {{90, 120, "Fullness (Floor Tom)"}, {200, 500, "Fullness"}, {4000, 8000, "Attack"}}},
    {"Cymbals", {{150, 300, "Stick clang"}, {8000, 14000, "Sparkle / Sizzle"}}},
    {"Bass Guitar",
     {{50, 80, "Bottom"}, {80, 110, "Low weight"}, {100, 300, "Warmth"}, {500, 1400, "Attack"}, {2000, 5000, "String"}}},
    {"Acoustic Guitar", {{80, 120, "Fullness"}, {200, 300, "Body"}, {2000, 5000, "Presence"}, {5000, 10000, "Sparkle"}}},
    {"Vocals",
     {{20, 100, "Plosives / handling noise"},
      {125, 250, "Chest / Boom"},
      {150, 500, "Boxy"},
      {500, 1000, "Honkey"},
      {1000, 3000, "Nasal"},
      {2000, 4000, "Recognition / Masking"},
      {3000, 7000, "Sibilance"},
      {8000, 15000, "Air"},
      {16000, 18000, "Detail"}}},
    {"Electric Guitar", {{125, 250, "Warmth"}, {250, 500, "Fullness"}, {2000, 5000, "Crispness / Presence"}}},
    {"Horns", {{120, 200, "Fullness"}, {200, 400, "Warmth"}}},
    {"Strings", {{200, 300, "Fullness"}, {7000, 10000, "Scratchy"}}},
    {"Mix",
     {{16, 60, "Sub Bass / Power / Muddy"},
      {60, 250, "Bass / Warm / Muddy / Boomy"},
      {500, 1000, "Honkey"},
      {1000, 2000, "Tinny"},
      {2000, 4000, "High Mids / Fatigue"},
      {4000, 6000, "Presence / Definition / Harshness"},
      {6000, 16000, "Brilliance / Air / Clarity"},
      {16000, 22000, "Air"}}},
};

const char* QvxGuideSetName(int set) {
  return (set >= 0 && set < kQvxNumGuideSets) ? g_sQvxGuideSet[set].pszInstrument : "";
}
