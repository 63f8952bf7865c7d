#include "effect/Registration.h"

namespace kv {

namespace {
const A_u_char* Bytes(const char* text) { return reinterpret_cast<const A_u_char*>(text); }
}  // namespace

A_Err RegisterEffect(PF_PluginDataPtr inPtr, PF_PluginDataCB2 cb) {
    if (cb == nullptr) {
        return PF_Err_INVALID_CALLBACK;
    }
    return cb(inPtr, Bytes(kEffectName), Bytes(kEffectMatchName), Bytes(kEffectCategory), Bytes(kEffectEntryPoint),
              kEffectKind, kEffectApiMajor, kEffectApiMinor, kEffectReservedInfo, Bytes(kEffectSupportUrl));
}

}  // namespace kv
