#include "lut_engine/FrameView.h"

namespace kv {

ChannelTable ChannelTableFor(int32_t channelOrder) {
    switch (channelOrder) {
        case kLayoutBGRA:
            return ChannelTable{2, 1, 0, 3};
        case kLayoutARGB:
            return ChannelTable{1, 2, 3, 0};
        default:
            return ChannelTable{0, 1, 2, 3};
    }
}

}  // namespace kv
