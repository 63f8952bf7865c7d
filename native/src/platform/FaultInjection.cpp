#include "platform/FaultInjection.h"

#include <atomic>

namespace kv::platform {

namespace {
std::atomic<KnownFolderFn> gKnownFolder{nullptr};
std::atomic<CreateFolderFn> gCreateFolder{nullptr};
std::atomic<OpenFileFn> gOpenFile{nullptr};
std::atomic<LoadLibraryFn> gLoadLibrary{nullptr};
}  // namespace

KnownFolderFn SetKnownFolderOverride(KnownFolderFn hook) { return gKnownFolder.exchange(hook); }
CreateFolderFn SetCreateFolderOverride(CreateFolderFn hook) { return gCreateFolder.exchange(hook); }
OpenFileFn SetOpenFileOverride(OpenFileFn hook) { return gOpenFile.exchange(hook); }
LoadLibraryFn SetLoadLibraryOverride(LoadLibraryFn hook) { return gLoadLibrary.exchange(hook); }

KnownFolderFn KnownFolderOverride() { return gKnownFolder.load(); }
CreateFolderFn CreateFolderOverride() { return gCreateFolder.load(); }
OpenFileFn OpenFileOverride() { return gOpenFile.load(); }
LoadLibraryFn LoadLibraryOverride() { return gLoadLibrary.load(); }

}  // namespace kv::platform
