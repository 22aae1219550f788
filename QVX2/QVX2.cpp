// The equaliser effect: creation, identity, start-up and programs.
#include "QVX2/QVX2.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/HostInfo.h"
#include "Helpers/ScopedValue.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2");

namespace {
constexpr const char* kszEffectName = kbQvx2StandardEdition ? "QVX2" : "QVX2 Master";
constexpr const char* kszProductString = "Sorvik Audio - QVX2";
constexpr const char* kszVersion = "1.2.8";

constexpr VstInt32 FourCharCode(char a, char b, char c, char d) {
  return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                               static_cast<uint32_t>(static_cast<unsigned char>(d)));
}
// The standard edition has its own identifier: its parameter indexes differ,
// and a host that took one edition for the other would load settings into
// the wrong parameters.
constexpr VstInt32 kQvx2UniqueId = kbQvx2StandardEdition ? FourCharCode('Z', 'R', 'V', 'S') : FourCharCode('Z', 'R', 'V', 'K');
constexpr int kQvx2NumInputs = 2;
constexpr int kQvx2NumOutputs = 2;
}  // namespace

const char* GetPluginName() { return kszEffectName; }
const char* GetPluginVersion() { return kszVersion; }

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  XR_TRY
  // Without an engine (its FFT objects or buffers could not be allocated)
  // the effect could only play silence: the host gets no record, as for any
  // other failed start. No other thread has the effect yet.
  AQVX2* effect = new AQVX2(audioMaster);
  if (effect->GetDataStore(0) != nullptr) return effect;
  delete effect;
  return nullptr;
  XR_CATCH(nullptr)
}

AQVX2::AQVX2(audioMasterCallback audioMaster) : XREffect(audioMaster, kQvx2NumParams, kQvx2NumABParams) {
  XR_TRY
  const CFlagScope constructing(m_bConstructing);
  m_nNumPersistantParams = kQvx2NumPersistantParams;
  setNumInputs(kQvx2NumInputs);
  setNumOutputs(kQvx2NumOutputs);
  setUniqueID(kQvx2UniqueId);

  for (int i = 0; i < kQvx2NumHostParams; ++i) m_DefaultProgram.values[i].store(Qvx2DefaultOf(i));

  for (int k = 0; k < kQvx2NumPersistantParams; ++k) {
    const QVX2PersistantInfo& p = kQvx2PersistantTable[static_cast<std::size_t>(k)];
    m_pszPersistantParamName[k] = p.szKey;
    m_fPersistantParamDefault[k] = p.fDefault;
    InitPersistantParam(kQvx2FirstPersistantParam + k, p.fDefault);
  }

  Init();

  for (auto& program : m_Programs) program.CopyFrom(m_DefaultProgram);
  m_PreviousValues.CopyFrom(m_DefaultProgram);
  // There are no factory presets: every program starts as "Default"; a
  // product stream may still fill some.
  InitPresetsFromPresetStream();
  InitAfterProgramsSet();

  for (int i = 0; i < kQvx2NumHostParams; ++i) XREffect::setParameter(i, Param(i)->load());
  for (int k = 0; k < kQvx2NumPersistantParams; ++k)
    XREffect::setParameter(kQvx2FirstPersistantParam + k, GetPersistantParam(kQvx2FirstPersistantParam + k));

  InitAfterParametersSet();
  XR_CATCH_VOID
}

bool AQVX2::getEffectName(char* name) {
  XR_TRY
  Qvx2CopyText(name, kszEffectName, kQvx2HostTextBytes);
  return true;
  XR_CATCH(false)
}

bool AQVX2::getProductString(char* text) {
  XR_TRY
  Qvx2CopyText(text, kszProductString, kQvx2HostTextBytes);
  return true;
  XR_CATCH(false)
}

void AQVX2::setProgram(VstInt32 program) {
  XR_TRY
  if (program < 0 || program >= kQvx2NumPrograms) return;
  const CFlagScope inProgramChange(m_bInProgramChange);
  XREffect::setProgram(program);
  XR_CATCH_VOID
}

void AQVX2::InitAfterProgramsSet() {
  XR_TRY
  for (int p = 0; p < kQvx2NumPrograms; ++p) {
    std::strncpy(m_Programs[p].name, kQvx2ProgramNames[static_cast<std::size_t>(p)].data(), kXrProgramNameLen);
    m_Programs[p].name[kXrProgramNameLen] = '\0';
  }
  XR_CATCH_VOID
}

namespace {
constexpr int kStandardRatings[] = {40, 30, 20, 10, -1};
constexpr int kStandardHighRating = 40;
}  // namespace

const int* AQVX2::GetAllowableRatings() {
  XR_TRY
  return kbQvx2StandardEdition ? kStandardRatings : XREffect::GetAllowableRatings();
  XR_CATCH(kStandardRatings)
}

const char* AQVX2::GetQualityModeStringFromRating(int rating) {
  XR_TRY
  if (kbQvx2StandardEdition && rating == kStandardHighRating) return "High";
  return XREffect::GetQualityModeStringFromRating(rating);
  XR_CATCH("UNKNOWN")
}
