// HostBytes against host records that leave callbacks out or refuse a lock:
// a missing callback is never called, and the end of the scope undoes
// exactly what the start did.

#include "host_link/HostBytes.h"

#include <gtest/gtest.h>

#include <utility>

#include "sdk/gpu_filter_suites.h"

namespace {

// One handle's worth of host, counting what the effect asks of it.
struct Counts {
    int size = 0;
    int lock = 0;
    int unlock = 0;
    int dispose = 0;
    bool refuseLock = false;
};
Counts gCounts;
unsigned char gBytes[7] = {'K', 'V', 'L', 'U', 'T', '0', '!'};

A_u_longlong CountedSize(PF_Handle) { return ++gCounts.size, sizeof gBytes; }
void* CountedLock(PF_Handle) {
    ++gCounts.lock;
    return gCounts.refuseLock ? nullptr : gBytes;
}
void CountedUnlock(PF_Handle) { ++gCounts.unlock; }
csSDK_uint32 BlockSize(PrMemoryPtr) { return ++gCounts.size, 5; }
void DisposeBlock(PrMemoryPtr) { ++gCounts.dispose; }

PF_UtilCallbacks FullRecord() {
    PF_UtilCallbacks utils{};
    utils.host_get_handle_size = CountedSize;
    utils.host_lock_handle = CountedLock;
    utils.host_unlock_handle = CountedUnlock;
    return utils;
}

PF_Handle SomeHandle() {
    static void* master = gBytes;
    return &master;
}

class HostBytesTest : public ::testing::Test {
protected:
    void SetUp() override { gCounts = Counts{}; }
};

TEST_F(HostBytesTest, LocksAndUnlocksOnceWithTheHostsSize) {
    const PF_UtilCallbacks utils = FullRecord();
    {
        const kv::HostBytes held = kv::HostBytes::LockHandle(&utils, SomeHandle());
        EXPECT_EQ(held.Data(), gBytes);
        EXPECT_EQ(held.Size(), sizeof gBytes);
        EXPECT_EQ(gCounts.unlock, 0);
    }
    EXPECT_EQ(gCounts.size, 1);
    EXPECT_EQ(gCounts.lock, 1);
    EXPECT_EQ(gCounts.unlock, 1);
}

TEST_F(HostBytesTest, AMissingCallbackIsNeverCalledAndNothingIsHeld) {
    for (int missing = 0; missing < 3; ++missing) {
        gCounts = Counts{};
        PF_UtilCallbacks utils = FullRecord();
        if (missing == 0) utils.host_get_handle_size = nullptr;
        if (missing == 1) utils.host_lock_handle = nullptr;
        if (missing == 2) utils.host_unlock_handle = nullptr;
        {
            const kv::HostBytes held = kv::HostBytes::LockHandle(&utils, SomeHandle());
            EXPECT_EQ(held.Data(), nullptr) << missing;
            EXPECT_EQ(held.Size(), 0u) << missing;
        }
        // Without a way to unlock, nothing may be locked.
        EXPECT_EQ(gCounts.lock, 0) << missing;
        EXPECT_EQ(gCounts.unlock, 0) << missing;
    }
    EXPECT_EQ(kv::HostBytes::LockHandle(static_cast<const PF_UtilCallbacks*>(nullptr), SomeHandle()).Data(), nullptr);
    EXPECT_EQ(kv::HostBytes::LockHandle(static_cast<const PF_InData*>(nullptr), SomeHandle()).Data(), nullptr);
    PF_InData noUtils{};
    EXPECT_EQ(kv::HostBytes::SizeOf(&noUtils, SomeHandle()), 0u);
}

TEST_F(HostBytesTest, ARefusedLockIsNotUnlocked) {
    const PF_UtilCallbacks utils = FullRecord();
    gCounts.refuseLock = true;
    { const kv::HostBytes held = kv::HostBytes::LockHandle(&utils, SomeHandle()); }
    EXPECT_EQ(gCounts.lock, 1);
    EXPECT_EQ(gCounts.unlock, 0);
}

TEST_F(HostBytesTest, ASizedLockDoesNotAskTheSize) {
    PF_UtilCallbacks utils = FullRecord();
    utils.host_get_handle_size = nullptr;
    {
        const kv::HostBytes held = kv::HostBytes::LockSized(&utils, SomeHandle(), 3);
        EXPECT_EQ(held.Data(), gBytes);
        EXPECT_EQ(held.Size(), 3u);
    }
    EXPECT_EQ(gCounts.lock, 1);
    EXPECT_EQ(gCounts.unlock, 1);
}

TEST_F(HostBytesTest, AMovedHoldUnlocksOnce) {
    const PF_UtilCallbacks utils = FullRecord();
    {
        kv::HostBytes first = kv::HostBytes::LockHandle(&utils, SomeHandle());
        kv::HostBytes second = std::move(first);
        EXPECT_EQ(first.Data(), nullptr);
        EXPECT_EQ(second.Data(), gBytes);
        kv::HostBytes third;
        third = std::move(second);
        EXPECT_EQ(gCounts.unlock, 0);
    }
    EXPECT_EQ(gCounts.unlock, 1);
}

TEST_F(HostBytesTest, AnAdoptedBlockIsDisposedOnceEvenWithoutItsSize) {
    char block[5] = {};
    PrSDKMemoryManagerSuite memory{};
    memory.GetPtrSize = BlockSize;
    memory.PrDisposePtr = DisposeBlock;
    {
        const kv::HostBytes held = kv::HostBytes::AdoptBlock(&memory, block);
        EXPECT_EQ(held.Size(), 5u);
        EXPECT_EQ(held.Data(), reinterpret_cast<unsigned char*>(block));
    }
    EXPECT_EQ(gCounts.dispose, 1);

    memory.GetPtrSize = nullptr;
    {
        const kv::HostBytes held = kv::HostBytes::AdoptBlock(&memory, block);
        EXPECT_EQ(held.Data(), nullptr);
    }
    EXPECT_EQ(gCounts.dispose, 2);

    memory.GetPtrSize = BlockSize;
    memory.PrDisposePtr = nullptr;
    { EXPECT_EQ(kv::HostBytes::AdoptBlock(&memory, block).Size(), 5u); }
    EXPECT_EQ(gCounts.dispose, 2);
    { EXPECT_EQ(kv::HostBytes::AdoptBlock(&memory, nullptr).Data(), nullptr); }
}

}  // namespace
