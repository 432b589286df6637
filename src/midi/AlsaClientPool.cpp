#include "midi/AlsaClientPool.h"

// The library asks only for its own client's pool; the device answers for any client. The
// device's own header clashes with the library's, so this file includes it alone.
#include <sound/asequencer.h>
#include <sys/ioctl.h>

namespace vireo {

int AlsaWaitingCells(int fd, int client) {
    snd_seq_client_pool pool{};
    pool.client = client;
    if (ioctl(fd, SNDRV_SEQ_IOCTL_GET_CLIENT_POOL, &pool) < 0 || pool.input_pool <= 0)
        return 0;
    return pool.input_pool - pool.input_free;
}

} // namespace vireo
