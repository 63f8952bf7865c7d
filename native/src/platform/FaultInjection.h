#pragma once
// Seams through which tests make the system fail where the module must cope:
// no known folder, a folder that cannot be created, a file that cannot be
// opened, a library that cannot be loaded. With no override set (the normal
// state) each call goes straight to the system. An override replaces the
// system call entirely; it may call the System* function itself to fail
// only for some arguments.
//
// Overrides are process-wide and meant to be set while no other thread uses
// the platform layer, typically by a test fixture.

#include <cstdio>
#include <string>

#include "platform/KnownFolders.h"

namespace kv::platform {

using KnownFolderFn = std::wstring (*)(KnownFolder which);
using CreateFolderFn = bool (*)(const std::wstring& path);
using OpenFileFn = std::FILE* (*)(const std::wstring& path, const char* mode);
using LoadLibraryFn = void* (*)(const std::wstring& name);

// Each setter returns the override it replaces; nullptr restores the system.
KnownFolderFn SetKnownFolderOverride(KnownFolderFn hook);
CreateFolderFn SetCreateFolderOverride(CreateFolderFn hook);
OpenFileFn SetOpenFileOverride(OpenFileFn hook);
LoadLibraryFn SetLoadLibraryOverride(LoadLibraryFn hook);

KnownFolderFn KnownFolderOverride();
CreateFolderFn CreateFolderOverride();
OpenFileFn OpenFileOverride();
LoadLibraryFn LoadLibraryOverride();

// The system implementations behind KnownFolderPath, CreateOneFolder,
// OpenSharedFile and LoadDynamicLibrary.
std::wstring SystemKnownFolderPath(KnownFolder which);
bool SystemCreateOneFolder(const std::wstring& path);
std::FILE* SystemOpenSharedFile(const std::wstring& path, const char* mode);
void* SystemLoadDynamicLibrary(const std::wstring& name);

}  // namespace kv::platform
