#pragma once
// OpenColorIO applying one LUT file, the oracles' reference: a raw config (no
// colour spaces to convert through), the file as a FileTransform with
// tetrahedral interpolation (OpenColorIO falls back to linear, with a
// warning, for a file that holds only a 1D table), and no optimisation, which
// could fold or approximate the file's stages. Files whose 3D tables say or
// default their own interpolation (CLF, .spi3d) take INTERP_DEFAULT, which
// leaves them theirs.
//
// OpenColorIO caches a file's LUT by its path: a test that rewrites a file
// must give each content a path of its own.

#include <OpenColorIO/OpenColorIO.h>

#include <string>

namespace kvtest {

inline OCIO_NAMESPACE::ConstCPUProcessorRcPtr OcioFileProcessor(
    const std::string& path, OCIO_NAMESPACE::Interpolation interpolation = OCIO_NAMESPACE::INTERP_TETRAHEDRAL) {
    namespace OCIO = OCIO_NAMESPACE;
    const OCIO::ConstConfigRcPtr config = OCIO::Config::CreateRaw();
    const OCIO::FileTransformRcPtr transform = OCIO::FileTransform::Create();
    transform->setSrc(path.c_str());
    transform->setInterpolation(interpolation);
    // A CDL collection needs the correction named: the first, as the
    // effect takes it (OpenColorIO 2.1 takes none by default).
    if (path.ends_with(".ccc") || path.ends_with(".cdl")) transform->setCCCId("0");
    return config->getProcessor(transform)->getOptimizedCPUProcessor(OCIO::OPTIMIZATION_NONE);
}

}  // namespace kvtest
