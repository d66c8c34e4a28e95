#include "store/Globals.h"

namespace vondrel {

GroupNames& StationGroupNames(int station) {
    switch (station) {
        case 0: return g_group_name_s1;
        case 1: return g_group_name_s2;
        case 2: return g_group_name_s3;
        default: return g_group_name_s4;
    }
}

ChannelTable16& StationChannelGroups(int station) {
    switch (station) {
        case 0: return g_channel_group_s1;
        case 1: return g_channel_group_s2;
        case 2: return g_channel_group_s3;
        default: return g_channel_group_s4;
    }
}

}  // namespace vondrel
