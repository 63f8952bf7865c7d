// The module's exported entry points, by the exact names the hosts look up
// (the property list names "EffectMain"). Everything else stays hidden.

#include "effect/EffectDispatch.h"
#include "effect/Registration.h"
#include "sdk/effect_sdk.h"

#if defined(_WIN32)
#define KV_EXPORT __declspec(dllexport)
#else
#define KV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

KV_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra) {
    return kv::DispatchEffectCommand(cmd, in_data, out_data, params, output, extra);
}

KV_EXPORT A_Err PluginDataEntryFunction2(PF_PluginDataPtr inPtr, PF_PluginDataCB2 cb, SPBasicSuite*,
                                         const char*, const char*) {
    return kv::RegisterEffect(inPtr, cb);
}

}  // extern "C"
