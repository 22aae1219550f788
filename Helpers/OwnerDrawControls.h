// The owner-drawn controls in one include: the two bases every graph, meter,
// scope and colour picker of the editor draws itself through
// (COwnerDrawControl, CLayeredOwnerDrawControl), and the meters and scopes
// built on them: the two-channel level meter (CLevelMeter, with its metering
// side CLevelMeterMetering), the vectorscope (CVectorscope), the correlation
// graph (CCorrelationGraph) and the waveform graph (CWaveFormGraph). The
// frequency graphs on the same bases are Helpers/FreqGraphs.h, the colour
// controls Helpers/ColorControls.h.
//
// Source files: OwnerDrawControlsBase.h, OwnerDrawControls.cpp (the plain
// base) and OwnerDrawControlsLayered.cpp (the layered base);
// OwnerDrawControlsMetering.h/.cpp (what the audio thread hands the meter and
// how it is read back), OwnerDrawControlsLevelMeter.h/.cpp and
// OwnerDrawControlsLevelMeterDraw.cpp (the meter's display and mouse);
// OwnerDrawControlsVectorscope.h/.cpp and OwnerDrawControlsVectorscopeDraw.cpp;
// OwnerDrawControlsCorrelation.h/.cpp; OwnerDrawControlsWaveform.h/.cpp;
// ScopeHandOver.h (the scopes' lock-free hand-over from the audio thread).
//
// Each header states its thread contract: drawing on the user-interface
// thread under each control's own lock, audio arriving on the audio thread
// without locks or waits.
#pragma once

#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/OwnerDrawControlsCorrelation.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "Helpers/OwnerDrawControlsMetering.h"
#include "Helpers/OwnerDrawControlsVectorscope.h"
#include "Helpers/OwnerDrawControlsWaveform.h"
#include "Helpers/ScopeHandOver.h"
