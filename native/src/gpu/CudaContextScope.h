#pragma once
// Makes the host's CUDA context current on this thread for the scope's
// lifetime. The pop happens whatever the calls inside returned, so no path
// can leave the host's context pushed on a host thread. A push that failed is
// not popped: that pop would take the host's own current context off its
// thread's stack.

#include "gpu/CudaDriverTable.h"

namespace kv::gpu {

class CudaContextScope {
public:
    CudaContextScope(const CudaDriverTable& table, CuContext context) : table_(table) {
        pushed_ = table_.cuCtxPushCurrent_v2(context) == 0;
    }
    ~CudaContextScope() {
        if (pushed_) {
            CuContext previous = nullptr;
            table_.cuCtxPopCurrent_v2(&previous);
        }
    }
    CudaContextScope(const CudaContextScope&) = delete;
    CudaContextScope& operator=(const CudaContextScope&) = delete;

private:
    const CudaDriverTable& table_;
    bool pushed_ = false;
};

}  // namespace kv::gpu
