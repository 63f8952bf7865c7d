#include <cstdint>
#include <memory>

#include "effect/CheckedOutParams.h"
#include "effect/GpuDeviceCommands.h"
#include "effect/RenderFrame.h"
#include "effect/SmartRender.h"
#include "gpu/GpuLaunch.h"
#include "gpu/GpuRenderLine.h"
#include "host_link/HostSuites.h"
#include "panel_link/Log.h"

namespace kv {

namespace {

constexpr A_long kGpuPixelBytes = 16;  // four 32-bit floats

// Checks the input layer back in on every path out, once it was checked out.
class InputCheckin {
public:
    InputCheckin(const PF_InData& in_data, const PF_SmartRenderCallbacks& cb) : in_(in_data), cb_(cb) {}
    InputCheckin(const InputCheckin&) = delete;
    InputCheckin& operator=(const InputCheckin&) = delete;
    ~InputCheckin() {
        if (held_ && cb_.checkin_layer_pixels != nullptr) {
            cb_.checkin_layer_pixels(in_.effect_ref, kInputCheckoutId);
        }
    }
    void Held() { held_ = true; }

private:
    const PF_InData& in_;
    const PF_SmartRenderCallbacks& cb_;
    bool held_ = false;
};

bool IsGpuWorld(const PF_InData* in_data, const PF_EffectWorld& world) {
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    return WorldSuitePixelFormat(in_data, world, format) && format == PF_PixelFormat_GPU_BGRA128;
}

// Rows of whole pixels, at least as long as the world is wide.
bool UsableRows(const PF_EffectWorld& world) {
    return world.width > 0 && world.height > 0 && world.rowbytes % kGpuPixelBytes == 0 &&
           static_cast<int64_t>(world.rowbytes) >= static_cast<int64_t>(world.width) * kGpuPixelBytes;
}

PF_Err Failed(A_u_long device, const char* what, PF_Err result) {
    LogPrintf("GPU Render failed on device %u: %s (%d)", device, what, result);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

}  // namespace

PF_Err SmartRenderGpu(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra) {
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const A_u_long index = extra->input->device_index;
    // Held to the end: a setdown meanwhile leaves this copy alive.
    const std::shared_ptr<AcceptedGpuDevice> device = PlannedGpuDevice(extra->input->gpu_data, extra->input->what_gpu);
    if (device == nullptr) {
        return Failed(index, "device not set up", extra->input->what_gpu);
    }
    CheckedOutParams params(*in_data);
    if (const PF_Err err = params.CheckOutAmountAndLut(); err != PF_Err_NONE) {
        return err;
    }

    InputCheckin checkin(*in_data, *extra->cb);
    PF_EffectWorld* input = nullptr;
    if (const PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kInputCheckoutId, &input);
        err != PF_Err_NONE || input == nullptr) {
        return err;
    }
    checkin.Held();
    PF_EffectWorld* output = nullptr;
    if (const PF_Err err = extra->cb->checkout_output(in_data->effect_ref, &output);
        err != PF_Err_NONE || output == nullptr) {
        return err;
    }
    if (!IsGpuWorld(in_data, *input) || !IsGpuWorld(in_data, *output)) {
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    // The kernel reads the input pixel at the output pixel's own position, so
    // the input must cover the output from the same place in the layer, as a
    // pixel-wise effect's checkout gives it.
    if (!UsableRows(*input) || !UsableRows(*output) || input->origin_x != output->origin_x ||
        input->origin_y != output->origin_y || input->width < output->width || input->height < output->height) {
        return Failed(index, "worlds do not line up", 0);
    }
    GpuRenderBuffers buffers;
    const char* step = "";
    PF_Err result = PF_Err_NONE;
    if (!ReadGpuRenderBuffers(in_data, index, input, output, buffers, step, result)) {
        return Failed(index, step, result);
    }

    const gpu::GpuFramework framework = device->setupHandles.framework;
    const gpu::DeviceHandles handles = HandlesOf(buffers.device, framework);
    const float amount = params.Amount();
    const std::shared_ptr<const Lut3D> lut = LutOfParam(in_data, params.Lut());
    const FramePlacement placement = SmartPlacement(*in_data, *extra->input, *input, *output, kGpuPixelBytes);

    gpu::GpuFrames frames;
    frames.src = buffers.input;
    frames.dst = buffers.output;
    frames.is32f = true;
    frames.width = output->width;
    frames.height = output->height;
    frames.srcRowBytes = input->rowbytes;
    frames.dstRowBytes = output->rowbytes;

    // The tiles of one frame share a line: it shows the layer, not the world.
    gpu::GpuFrames lineFrames = frames;
    lineFrames.width = placement.layer.right - placement.layer.left;
    lineFrames.height = placement.layer.bottom - placement.layer.top;
    lineFrames.srcRowBytes = placement.lineRowBytes;
    lineFrames.dstRowBytes = placement.lineRowBytes;
    gpu::LogRenderLine(gpu::RenderHost::Compositing, framework, lineFrames, amount, lut.get());

    gpu::GpuLaunch launch = gpu::PlanLaunch(lut, amount, frames);
    if (launch.params.probe > 0 &&
        !PatternGeometryInWorld(*lut, placement, output->width, output->height, launch.params.pattern)) {
        return Failed(index, "pattern out of range", 0);
    }
    // CUDA: the frame is finished on the host's stream before the context is
    // popped; OpenCL work stays ordered on the host's queue.
    if (!gpu::RenderOnDevice(device->state, handles, launch, frames.src, frames.dst,
                             framework == gpu::GpuFramework::Cuda)) {
        // A device set down since the look-up is no longer ready; otherwise
        // the backend logged why.
        if (device->setDown.load()) {
            return Failed(index, "device set down", 0);
        }
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    return PF_Err_NONE;
}

}  // namespace kv
