#include "host_sim/FakeSmartRender.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "host_sim/FakeHandles.h"

namespace kvsim {

namespace {

A_short BitDepthOf(const FakeWorld* world) {
    if (world == nullptr) return 8;
    switch (world->format().depth) {
        case kv::ChannelDepth::k8u:
            return 8;
        case kv::ChannelDepth::k16u:
            return 16;
        case kv::ChannelDepth::k32f:
            return 32;
    }
    return 8;
}

}  // namespace

SmartRenderCall::SmartRenderCall(FakeHost& host, FakeWorld* input, FakeWorld* output, double amountPercent,
                                 PF_Handle lut)
    : SmartRenderCall(host, input != nullptr ? &input->def() : nullptr, output != nullptr ? &output->def() : nullptr,
                      BitDepthOf(output), amountPercent, lut) {}

SmartRenderCall::SmartRenderCall(FakeHost& host, PF_LayerDef* input, PF_LayerDef* output, A_short bitDepth,
                                 double amountPercent, PF_Handle lut)
    : host_(host), input_(input), output_(output), params_(nullptr, amountPercent, lut), in_(host.in()) {
    in_.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in_.inter.checkout_param = CheckoutParamCb;
    in_.inter.checkin_param = CheckinParamCb;
    PF_RenderRequest& req = preInput_.output_request;
    if (output != nullptr) {
        req.rect = PF_LRect{output->origin_x, output->origin_y, output->origin_x + output->width,
                            output->origin_y + output->height};
        SetLayer(std::max<A_long>(req.rect.right, 0), std::max<A_long>(req.rect.bottom, 0));
    }
    req.field = PF_Field_FRAME;
    req.channel_mask = PF_ChannelMask_ARGB;
    preInput_.bitdepth = bitDepth;
    preCallbacks_.checkout_layer = CheckoutLayerCb;
    renderCallbacks_.checkout_layer_pixels = CheckoutLayerPixelsCb;
    renderCallbacks_.checkin_layer_pixels = CheckinLayerPixelsCb;
    renderCallbacks_.checkout_output = CheckoutOutputCb;
}

SmartRenderCall::~SmartRenderCall() { ReleasePreRenderData(); }

void SmartRenderCall::ReleasePreRenderData() {
    if (preOutput_.delete_pre_render_data_func != nullptr && preOutput_.pre_render_data != nullptr) {
        preOutput_.delete_pre_render_data_func(preOutput_.pre_render_data);
    }
    preOutput_.pre_render_data = nullptr;
    preOutput_.delete_pre_render_data_func = nullptr;
}

void SmartRenderCall::SetLayer(A_long fullWidth, A_long fullHeight, PF_RationalScale downsampleX,
                               PF_RationalScale downsampleY) {
    in_.width = fullWidth;
    in_.height = fullHeight;
    in_.downsample_x = downsampleX;
    in_.downsample_y = downsampleY;
}

PF_LRect SmartRenderCall::layerRect() const {
    const auto scaled = [](A_long full, const PF_RationalScale& s) {
        if (s.den == 0 || s.num <= 0) return full;
        return static_cast<A_long>((static_cast<int64_t>(full) * s.num + s.den - 1) / s.den);
    };
    return PF_LRect{0, 0, scaled(in_.width, in_.downsample_x), scaled(in_.height, in_.downsample_y)};
}

void SmartRenderCall::SetCheckoutResult(const PF_CheckoutResult& result) {
    checkoutResult_ = result;
    checkoutResultSet_ = true;
}

void SmartRenderCall::SetBitDepth(A_short bits) { preInput_.bitdepth = bits; }

void SmartRenderCall::SetTime(A_long time, A_long step, A_u_long scale) {
    in_.current_time = time;
    in_.time_step = step;
    in_.time_scale = scale;
}

void SmartRenderCall::FailCheckoutParam(PF_ParamIndex index, PF_Err err) { paramErrors_.emplace_back(index, err); }

void SmartRenderCall::SetCheckoutParamMissing(bool missing) {
    in_.inter.checkout_param = missing ? nullptr : CheckoutParamCb;
}

PF_PreRenderExtra* SmartRenderCall::preRenderExtra() {
    preExtra_ = PF_PreRenderExtra{&preInput_, &preOutput_, &preCallbacks_};
    return &preExtra_;
}

PF_SmartRenderExtra* SmartRenderCall::renderExtra() {
    renderInput_.output_request = preInput_.output_request;
    renderInput_.bitdepth = preInput_.bitdepth;
    renderInput_.pre_render_data = dropPreRenderData_ ? nullptr : preOutput_.pre_render_data;
    renderExtra_ = PF_SmartRenderExtra{&renderInput_, &renderCallbacks_};
    return &renderExtra_;
}

PF_Err SmartRenderCall::PreRender() {
    // A second pre-render replaces what the first one left.
    ReleasePreRenderData();
    preOutput_ = PF_PreRenderOutput{};
    return host_.CallWith(in_, out_, PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, preRenderExtra());
}

PF_Err SmartRenderCall::Render() {
    // The params array is not for smart render: the host passes none.
    return host_.CallWith(in_, out_, PF_Cmd_SMART_RENDER, nullptr, nullptr, renderExtra());
}

PF_Err SmartRenderCall::RenderGpu() {
    return host_.CallWith(in_, out_, PF_Cmd_SMART_RENDER_GPU, nullptr, nullptr, renderExtra());
}

std::vector<SmartRenderCall::LayerCheckout> SmartRenderCall::layerCheckouts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return layerCheckouts_;
}

std::vector<SmartRenderCall::ParamCheckout> SmartRenderCall::paramCheckouts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return paramCheckouts_;
}

int SmartRenderCall::paramsStillOut() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(paramsOut_.size());
}

int SmartRenderCall::strayCheckins() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return strayCheckins_;
}

int SmartRenderCall::layerPixelCheckouts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return layerPixelCheckouts_;
}

SmartRenderCall& SmartRenderCall::Of(PF_ProgPtr effectRef) {
    if (effectRef == nullptr) {
        std::abort();  // the effect passed no reference back: a bug worth stopping for
    }
    return *reinterpret_cast<SmartRenderCall*>(effectRef);
}

PF_Err SmartRenderCall::CheckoutLayerCb(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* req,
                                        A_long time, A_long step, A_u_long scale, PF_CheckoutResult* result) {
    detail::HostCallbackScope inHost;
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    LayerCheckout record;
    record.index = index;
    record.checkoutId = id;
    if (req != nullptr) record.request = *req;
    record.time = time;
    record.step = step;
    record.scale = scale;
    call.layerCheckouts_.push_back(record);
    if (call.checkoutLayerError_ != PF_Err_NONE) {
        return call.checkoutLayerError_;
    }
    if (result == nullptr || req == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // The id is the effect's to choose; its pixels are handed out at render.
    call.checkedOutIds_.push_back(id);
    if (call.checkoutResultSet_) {
        *result = call.checkoutResult_;
    } else {
        const PF_LRect layer = call.layerRect();
        *result = PF_CheckoutResult{};
        result->result_rect = PF_LRect{std::max(req->rect.left, layer.left), std::max(req->rect.top, layer.top),
                                       std::min(req->rect.right, layer.right),
                                       std::min(req->rect.bottom, layer.bottom)};
        result->max_result_rect = layer;
        result->par.num = 1;
        result->par.den = 1;
        result->ref_width = call.in_.width;
        result->ref_height = call.in_.height;
    }
    return PF_Err_NONE;
}

PF_Err SmartRenderCall::CheckoutLayerPixelsCb(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels) {
    detail::HostCallbackScope inHost;
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    ++call.layerPixelCheckouts_;
    if (pixels == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    // Only a layer checked out at pre-render has pixels to give.
    if (std::find(call.checkedOutIds_.begin(), call.checkedOutIds_.end(), id) == call.checkedOutIds_.end()) {
        *pixels = nullptr;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *pixels = call.layerPixelsError_ == PF_Err_NONE ? call.input_ : nullptr;
    return call.layerPixelsError_;
}

PF_Err SmartRenderCall::CheckinLayerPixelsCb(PF_ProgPtr ref, A_long) {
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    ++call.layerPixelCheckins_;
    return PF_Err_NONE;
}

int SmartRenderCall::layerPixelCheckins() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return layerPixelCheckins_;
}

void SmartRenderCall::PlanOnGpu(PF_GPU_Framework whatGpu, A_u_long index, const void* gpuData) {
    preInput_.what_gpu = renderInput_.what_gpu = whatGpu;
    preInput_.device_index = renderInput_.device_index = index;
    preInput_.gpu_data = renderInput_.gpu_data = gpuData;
}

PF_Err SmartRenderCall::CheckoutOutputCb(PF_ProgPtr ref, PF_EffectWorld** output) {
    detail::HostCallbackScope inHost;
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    if (output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *output = call.outputError_ == PF_Err_NONE ? call.output_ : nullptr;
    return call.outputError_;
}

PF_Err SmartRenderCall::CheckoutParamCb(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step,
                                        A_u_long scale, PF_ParamDef* param) {
    detail::HostCallbackScope inHost;
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    for (const auto& [failing, err] : call.paramErrors_) {
        if (failing == index) return err;
    }
    if (param == nullptr || index < 0 || index >= kParamArrayCount) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *param = call.params_.at(index);
    call.paramCheckouts_.push_back(ParamCheckout{index, time, step, scale});
    call.paramsOut_.push_back(param);
    return PF_Err_NONE;
}

PF_Err SmartRenderCall::CheckinParamCb(PF_ProgPtr ref, PF_ParamDef* param) {
    detail::HostCallbackScope inHost;
    SmartRenderCall& call = Of(ref);
    std::lock_guard<std::mutex> lock(call.mutex_);
    const auto found = std::find(call.paramsOut_.begin(), call.paramsOut_.end(), param);
    if (found == call.paramsOut_.end()) {
        ++call.strayCheckins_;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    call.paramsOut_.erase(found);
    return PF_Err_NONE;
}

}  // namespace kvsim
