#include "host/HostSession.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "host/BatchRender.h"
#include "host/ButtonPress.h"
#include "host/LoadedModule.h"
#include "host/LutValue.h"
#include "host/ProjectFile.h"
#include "host/Registration.h"
#include "host/SmartRender.h"
#include "host/TemporaryFile.h"
#include "host/WorldImage.h"
#include "image/ImageFile.h"
#include "image/PictureFile.h"

namespace kvtool {
namespace {

std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

// A fixed-size character field of a host record, up to its first zero.
std::string FieldText(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != '\0') ++n;
    return std::string(field, n);
}

// A picture under a temporary name, renamed when whole, as batch frames are.
bool WriteWhole(const std::string& path, PictureType type, const Picture& picture, std::string& error) {
    if (!PictureTypeBuilt(type)) return WritePicture(path, type, picture, &error);  // says why
    TemporaryFile file(path);
    return file.Create(error) && WritePicture(file.stream(), type, picture, &error) && file.Commit(error);
}

class Session {
public:
    Session(const HostOptions& options, std::ostream& out, std::ostream& err)
        : o_(options), out_(out), err_(err) {}

    int Run();

private:
    bool Fail(const std::string& what) {
        err_ << "kromvale-host: " << what << "\n";
        return false;
    }
    bool Check(const char* step, PF_Err result) {
        if (result == PF_Err_NONE) return true;
        return Fail(std::string(step) + " returned error " + std::to_string(result));
    }

    bool LoadAndRegister();
    bool SetUp();
    bool StoreLut();
    bool CopyAndCompare();
    bool PrintAndScan();
    bool UpdateControls();
    bool Render();
    bool SmartRender();
    bool RenderFrames();
    bool SaveProject();
    void TearDown();

    const HostOptions& o_;
    std::ostream& out_;
    std::ostream& err_;
    LoadedModule module_;
    kvsim::EffectEntry entry_ = nullptr;
    PluginDataEntryFunction2Ptr registerEntry_ = nullptr;
    std::unique_ptr<kvsim::FakeHost> host_;
    PF_ArbitraryH lut_ = nullptr;
    double amount_ = 100.0;
    int batchStatus_ = 0;
};

bool Session::LoadAndRegister() {
    std::string error;
    if (!module_.Load(o_.modulePath, error)) return Fail("cannot load " + o_.modulePath + ": " + error);
    entry_ = reinterpret_cast<kvsim::EffectEntry>(module_.Symbol("EffectMain"));
    registerEntry_ = reinterpret_cast<PluginDataEntryFunction2Ptr>(module_.Symbol("PluginDataEntryFunction2"));
    if (!entry_ || !registerEntry_) return Fail("the module does not export EffectMain and PluginDataEntryFunction2");
    out_ << "module: " << o_.modulePath << "\n";

    const bool premiere = o_.host == HostKind::Premiere;
    host_ = std::make_unique<kvsim::FakeHost>(premiere ? kvsim::kApplPremiere : kvsim::kApplAfterEffects, entry_);
    Registration r;
    const A_Err result = Register(registerEntry_, host_->in().pica_basicP, premiere ? "Premiere Pro" : "After Effects", r);
    out_ << "registered: name \"" << r.name << "\" match \"" << r.matchName << "\" category \"" << r.category
         << "\" entry \"" << r.entryPoint << "\" kind '" << FourCCText(r.kind) << "' api " << r.apiMajor << "."
         << r.apiMinor << " reserved " << r.reservedInfo << " url \"" << r.supportUrl << "\" (" << r.calls
         << " call" << (r.calls == 1 ? "" : "s") << ")\n";
    if (r.calls != 1) return Fail("the module should call the registration callback once");
    return Check("PluginDataEntryFunction2", result);
}

bool Session::SetUp() {
    const bool premiere = o_.host == HostKind::Premiere;
    out_ << "host: " << (premiere ? "Premiere Pro ('PrMr')" : "After Effects ('FXTC')") << "\n";
    if (o_.about) {
        if (!Check("ABOUT", host_->Call(PF_Cmd_ABOUT))) return false;
        std::string text = FieldText(host_->out().return_msg, sizeof host_->out().return_msg);
        for (char& c : text) if (c == '\r') c = '\n';
        out_ << "about: " << text << "\n";
    }
    host_->ResetOutData();
    host_->ClearRecords();
    if (!Check("GLOBAL_SETUP", host_->Call(PF_Cmd_GLOBAL_SETUP))) return false;
    const PF_OutData& od = host_->out();
    out_ << "global setup: version " << Hex(static_cast<std::uint32_t>(od.my_version)) << " out_flags "
         << Hex(static_cast<std::uint32_t>(od.out_flags)) << " out_flags2 "
         << Hex(static_cast<std::uint32_t>(od.out_flags2)) << "\n";
    for (const kvsim::PixelFormatCall& call : host_->pixelFormatCalls()) {
        out_ << "  pixel formats: " << call.what;
        if (call.what != "Clear") out_ << " " << Hex(static_cast<std::uint32_t>(call.format));
        out_ << "\n";
    }

    host_->ResetOutData();
    host_->ClearRecords();
    if (!Check("PARAMS_SETUP", host_->Call(PF_Cmd_PARAMS_SETUP))) return false;
    out_ << "params setup: " << host_->out().num_params << " parameters:";
    for (const PF_ParamDef& def : host_->addedParams()) {
        out_ << " \"" << FieldText(def.name, sizeof def.name) << "\"";
    }
    out_ << "\n";
    // The host disposes of the defaults it was given with the definitions.
    for (const PF_ParamDef& def : host_->addedParams()) {
        if (def.param_type == PF_Param_ARBITRARY_DATA && def.u.arb_d.dephault) host_->ArbDispose(def.u.arb_d.dephault);
    }
    return true;
}

bool Session::StoreLut() {
    amount_ = 100.0;
    if (!o_.loadProject.empty()) {
        HostProject project;
        std::string error;
        if (!ReadHostProject(o_.loadProject, project, error)) return Fail(o_.loadProject + ": " + error);
        amount_ = project.amount;
        if (!Check("UNFLATTEN", host_->ArbUnflatten(project.lutBytes.data(),
                                                    static_cast<A_u_long>(project.lutBytes.size()), &lut_)))
            return false;
        out_ << "project loaded: " << o_.loadProject << " (LUT value " << project.lutBytes.size() << " bytes)\n";
    } else if (!o_.cubePath.empty() || o_.pattern) {
        std::string text, error;
        if (o_.pattern) {
            text = PatternRequestText(*o_.pattern);
        } else if (!LutTextFromCubeFile(o_.cubePath, text, error)) {
            return Fail(error);
        }
        // A value that comes from outside the project reaches the effect as text.
        if (!Check("SCAN", host_->ArbScan(text.data(), static_cast<A_u_long>(text.size()), &lut_))) return false;
        out_ << "LUT stored: " << text.size() << " characters of LUT text, value "
             << kvsim::HandleBytes(lut_).size() << " bytes\n";
    } else {
        if (!Check("NEW", host_->ArbNew(&lut_))) return false;
        out_ << "LUT stored: none\n";
    }
    if (o_.amount) amount_ = *o_.amount;
    return lut_ != nullptr || Fail("the effect gave no LUT value");
}

bool Session::CopyAndCompare() {
    PF_ArbitraryH copy = nullptr;
    if (!Check("COPY", host_->ArbCopy(lut_, &copy))) return false;
    PF_ArbCompareResult same = -1;
    const PF_Err err = host_->ArbCompare(lut_, copy, &same);
    host_->ArbDispose(copy);
    if (!Check("COMPARE", err)) return false;
    out_ << "copy: " << (same == PF_ArbCompare_EQUAL ? "equal" : "DIFFERENT") << "\n";
    return same == PF_ArbCompare_EQUAL || Fail("a copy of the LUT value compares different");
}

bool Session::PrintAndScan() {
    A_u_long size = 0;
    if (!Check("PRINT_SIZE", host_->ArbPrintSize(lut_, &size))) return false;
    std::vector<char> buffer(size + 1u, '\0');
    if (!Check("PRINT", host_->ArbPrint(lut_, buffer.data(), size))) return false;
    const std::string text = FieldText(buffer.data(), buffer.size());
    out_ << "print: " << text.size() << " characters: " << text.substr(0, 72) << (text.size() > 72 ? "..." : "")
         << "\n";
    if (text.empty()) return true;  // nothing to scan back
    PF_ArbitraryH scanned = nullptr;
    if (!Check("SCAN", host_->ArbScan(text.data(), static_cast<A_u_long>(text.size()), &scanned))) return false;
    PF_ArbCompareResult same = -1;
    const PF_Err err = host_->ArbCompare(lut_, scanned, &same);
    host_->ArbDispose(scanned);
    if (!Check("COMPARE", err)) return false;
    out_ << "scan of the printed text: " << (same == PF_ArbCompare_EQUAL ? "equal" : "DIFFERENT") << "\n";
    return same == PF_ArbCompare_EQUAL || Fail("the printed text scans back to a different value");
}

bool Session::UpdateControls() {
    kvsim::FakeParams params(nullptr, amount_, lut_);
    host_->ClearRecords();
    if (!Check("UPDATE_PARAMS_UI", host_->Call(PF_Cmd_UPDATE_PARAMS_UI, params.list()))) return false;
    const std::vector<kvsim::UpdateParamUICall> calls = host_->updateParamUICalls();
    if (calls.empty()) return Fail("UPDATE_PARAMS_UI changed no control");
    for (const kvsim::UpdateParamUICall& call : calls) {
        out_ << "button " << call.index << " \"" << call.name << "\" label: \"" << call.label << "\"\n";
    }
    return true;
}

bool Session::Render() {
    if (o_.depth) return SmartRender();
    Image picture;
    std::string error;
    if (!ReadImage(o_.inPath, picture, &error)) return Fail(o_.inPath + ": " + error);
    const kv::PixelFormat* format = &kv::kArgb8;
    if (o_.host == HostKind::Premiere) {
        const bool isFloat = o_.format == RenderFormat::Float32;
        format = isFloat ? &kv::kBgra32f : &kv::kBgra8u;
        host_->SetPixelFormat(isFloat ? PrPixelFormat_BGRA_4444_32f : PrPixelFormat_BGRA_4444_8u);
    }
    kvsim::FakeWorld input(*format, picture.width, picture.height);
    kvsim::FakeWorld output(*format, picture.width, picture.height);
    ImageToWorld(picture, input);
    kvsim::FakeParams params(&input, amount_, lut_);
    if (!Check("RENDER", host_->Call(PF_Cmd_RENDER, params.list(), &output.def()))) return false;
    if (PictureTypeOf(o_.outPath) != PictureType::Png && PictureTypeOf(o_.outPath) != PictureType::Pam)
        return Fail(o_.outPath + ": unknown picture type (use .png or .pam)");
    Picture result;
    result.samples = WorldToImage(output);
    if (!WriteWhole(o_.outPath, PictureTypeOf(o_.outPath), result, error)) return Fail(o_.outPath + ": " + error);
    out_ << "render: " << format->name << " " << picture.width << "x" << picture.height
         << " amount " << amount_ << " -> " << o_.outPath << "\n";
    return true;
}

// After Effects' smart render at the chosen depth. Unlike RENDER's path it
// reads and writes any picture type, EXR included, since float worlds are
// among its depths.
bool Session::SmartRender() {
    Picture picture;
    std::string error;
    if (!ReadPicture(o_.inPath, picture, &error)) return Fail(o_.inPath + ": " + error);
    const PictureType target = PictureTypeOf(o_.outPath);
    const kv::PixelFormat& format = SmartRenderFormat(*o_.depth);
    kvsim::FakeWorld input(format, picture.width(), picture.height());
    kvsim::FakeWorld output(format, picture.width(), picture.height());
    PictureToWorld(picture, input);
    if (!SmartRenderFrame(*host_, input, output, amount_, lut_, error)) return Fail(error);
    if (!WriteWhole(o_.outPath, target, WorldToPicture(output, target), error)) return Fail(o_.outPath + ": " + error);
    out_ << "render: " << format.name << " " << picture.width() << "x" << picture.height() << " amount " << amount_
         << " -> " << o_.outPath << "\n";
    return true;
}

// A batch's own exit status stands for the run; a batch that skipped
// frames still lets the project be saved.
bool Session::RenderFrames() {
    batchStatus_ = RenderBatch(BatchEffect{*host_, entry_, lut_, amount_}, o_, out_, err_);
    return batchStatus_ == 0 || batchStatus_ == kBatchSkippedStatus;
}

bool Session::SaveProject() {
    A_u_long size = 0;
    if (!Check("FLAT_SIZE", host_->ArbFlatSize(lut_, &size))) return false;
    HostProject project;
    project.amount = amount_;
    project.lutBytes.assign(size, 0);
    if (!Check("FLATTEN", host_->ArbFlatten(lut_, project.lutBytes.data(), size))) return false;
    std::string error;
    if (!WriteHostProject(o_.saveProject, project, error)) return Fail(o_.saveProject + ": " + error);
    out_ << "project saved: " << o_.saveProject << " (LUT value " << size << " bytes)\n";
    return true;
}

void Session::TearDown() {
    if (host_) {
        if (lut_) host_->ArbDispose(lut_);
        lut_ = nullptr;
        host_->Call(PF_Cmd_GLOBAL_SETDOWN);
        host_.reset();
    }
    module_.Unload();
}

int Session::Run() {
    bool ok = false;
    // A picture too large for memory ends the run with a message, never
    // with an abort.
    try {
        ok = LoadAndRegister() && SetUp() && StoreLut() && CopyAndCompare() && (!o_.print || PrintAndScan()) &&
             (o_.presses.empty() ||
              PressButtons(*host_, module_, o_.presses, o_.answers, amount_, lut_, out_, err_)) &&
             UpdateControls() && (o_.inPath.empty() || (o_.batch ? RenderFrames() : Render())) &&
             (o_.saveProject.empty() || SaveProject());
    } catch (const std::bad_alloc&) {
        ok = Fail("not enough memory");
    } catch (const std::exception& e) {
        ok = Fail(e.what());
    }
    if (host_) out_ << "log: " << kvsim::LogTail::Path() << "\n";
    TearDown();
    if (!ok) return batchStatus_ != 0 && batchStatus_ != kBatchSkippedStatus ? batchStatus_ : 1;
    return batchStatus_;
}

}  // namespace

int RunHostSession(const HostOptions& options, std::ostream& out, std::ostream& err) {
    Session session(options, out, err);
    return session.Run();
}

}  // namespace kvtool
