#pragma once
// One smart render as the compositing host drives it: the pre-render and
// render records and their callbacks, the "Amount" and "LUT" values it lets
// the effect check out, and a record of what the effect asked for.
//
// Each object is its own host context: it is the effect reference that every
// smart-render callback receives, so renders on several threads, each with an
// object of its own, never share state here.

#include <mutex>
#include <vector>

#include "host_sim/FakeHost.h"

namespace kvsim {

class SmartRenderCall {
public:
    // Renders `input` into `output` (either may be null: the host then hands
    // out no world). Each world lies in the layer where its origin_x and
    // origin_y say (0, 0 unless set before); the request covers the whole
    // output there, and the layer reaches to the output's far corner unless
    // SetLayer says otherwise. The bit depth is the output's. `host` supplies
    // the records, suites and the effect's entry.
    SmartRenderCall(FakeHost& host, FakeWorld* input, FakeWorld* output, double amountPercent, PF_Handle lut);
    // The same with worlds of the caller's own (pixels the simulation did not
    // allocate), rendered at `bitDepth`; the World Suite does not know them.
    SmartRenderCall(FakeHost& host, PF_LayerDef* input, PF_LayerDef* output, A_short bitDepth, double amountPercent,
                    PF_Handle lut);
    SmartRenderCall(const SmartRenderCall&) = delete;
    SmartRenderCall& operator=(const SmartRenderCall&) = delete;
    ~SmartRenderCall();  // disposes of the effect's pre-render data, as the host does

    // The host's side, set before a call.
    PF_RenderRequest& request() { return preInput_.output_request; }
    // The layer at full resolution and the render's downsampling (a
    // half-resolution preview has 1/2 on both): the in-data's width and
    // height, and the extent checkout_layer reports, rounded up.
    void SetLayer(A_long fullWidth, A_long fullHeight, PF_RationalScale downsampleX = {1, 1},
                  PF_RationalScale downsampleY = {1, 1});
    // The layer at the render's resolution, in layer pixels.
    PF_LRect layerRect() const;
    // What checkout_layer answers. By default, as the hosts do: the request
    // within the layer as the result, the whole layer as the largest result.
    void SetCheckoutResult(const PF_CheckoutResult& result);
    // A host that does not hand the pre-render data on to the render.
    void DropPreRenderData(bool drop) { dropPreRenderData_ = drop; }
    void SetBitDepth(A_short bits);
    void SetTime(A_long time, A_long step, A_u_long scale);
    // The error the callback answers (0: it works). A failing world checkout
    // leaves the world null. As in the hosts, the input's pixels are handed
    // out only for a checkout id that pre-render checked out.
    void FailCheckoutLayer(PF_Err err) { checkoutLayerError_ = err; }
    void FailCheckoutParam(PF_ParamIndex index, PF_Err err);
    void FailLayerPixels(PF_Err err) { layerPixelsError_ = err; }
    void FailCheckoutOutput(PF_Err err) { outputError_ = err; }
    void SetCheckoutParamMissing(bool missing);

    PF_Err PreRender();  // SMART_PRE_RENDER
    PF_Err Render();     // SMART_RENDER
    PF_Err RenderGpu();  // SMART_RENDER_GPU

    // A render planned on GPU device `index` of framework `whatGpu`, with the
    // gpu_data the effect handed back at that device's setup; both commands
    // carry it. PF_GPU_Framework_NONE plans a processor render.
    void PlanOnGpu(PF_GPU_Framework whatGpu, A_u_long index, const void* gpuData);
    int layerPixelCheckins() const;

    // The records the two commands pass, for a caller that sends them itself
    // (or takes them apart): the in-data whose effect reference is this call,
    // and each command's extra as PreRender() and Render() pass it.
    PF_InData& in() { return in_; }
    // Disposes of what the last pre-render left for the render, through the
    // function the effect gave with it, as the host does when it is done.
    void ReleasePreRenderData();
    PF_PreRenderExtra* preRenderExtra();
    PF_SmartRenderExtra* renderExtra();

    // What the effect did.
    struct LayerCheckout {
        PF_ParamIndex index = 0;
        A_long checkoutId = 0;
        PF_RenderRequest request{};
        A_long time = 0;
        A_long step = 0;
        A_u_long scale = 0;
    };
    struct ParamCheckout {
        PF_ParamIndex index = 0;
        A_long time = 0;
        A_long step = 0;
        A_u_long scale = 0;
    };
    const PF_PreRenderOutput& preRenderOutput() const { return preOutput_; }
    std::vector<LayerCheckout> layerCheckouts() const;
    std::vector<ParamCheckout> paramCheckouts() const;  // those that succeeded
    int paramsStillOut() const;         // checked out and not checked in
    int strayCheckins() const;          // check-ins of nothing checked out
    int layerPixelCheckouts() const;

private:
    static SmartRenderCall& Of(PF_ProgPtr effectRef);
    static PF_Err CheckoutLayerCb(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* req,
                                  A_long time, A_long step, A_u_long scale, PF_CheckoutResult* result);
    static PF_Err CheckoutLayerPixelsCb(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels);
    static PF_Err CheckinLayerPixelsCb(PF_ProgPtr ref, A_long id);
    static PF_Err CheckoutOutputCb(PF_ProgPtr ref, PF_EffectWorld** output);
    static PF_Err CheckoutParamCb(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                                  PF_ParamDef* param);
    static PF_Err CheckinParamCb(PF_ProgPtr ref, PF_ParamDef* param);

    FakeHost& host_;
    PF_LayerDef* input_;
    PF_LayerDef* output_;
    FakeParams params_;  // the values checkout_param hands out
    PF_InData in_;
    PF_OutData out_{};
    PF_PreRenderInput preInput_{};
    PF_PreRenderOutput preOutput_{};
    PF_PreRenderCallbacks preCallbacks_{};
    PF_SmartRenderInput renderInput_{};
    PF_SmartRenderCallbacks renderCallbacks_{};
    PF_PreRenderExtra preExtra_{};
    PF_SmartRenderExtra renderExtra_{};
    bool checkoutResultSet_ = false;
    bool dropPreRenderData_ = false;
    PF_CheckoutResult checkoutResult_{};
    PF_Err checkoutLayerError_ = PF_Err_NONE;
    PF_Err layerPixelsError_ = PF_Err_NONE;
    PF_Err outputError_ = PF_Err_NONE;
    std::vector<std::pair<PF_ParamIndex, PF_Err>> paramErrors_;

    mutable std::mutex mutex_;  // the effect may call back from its band threads
    std::vector<LayerCheckout> layerCheckouts_;
    std::vector<A_long> checkedOutIds_;  // checkouts the host answered
    std::vector<ParamCheckout> paramCheckouts_;
    std::vector<const PF_ParamDef*> paramsOut_;
    int strayCheckins_ = 0;
    int layerPixelCheckouts_ = 0;
    int layerPixelCheckins_ = 0;
};

}  // namespace kvsim
