// The floor for the wipe benchmark: the same passes a 3-pass wipe writes
// (0x00, 0xFF, random), in 1 MiB blocks with one fsync per pass, then the
// file is removed. No clusters, no callbacks, no checks beyond the writes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelorin_plain_overwrite PASSES FILE\n");
        return 2;
    }
    const int passes = std::atoi(argv[1]);
    const int fd = ::open(argv[2], O_WRONLY);
    if (fd < 0) return 1;
    const off_t length = ::lseek(fd, 0, SEEK_END);
    std::vector<unsigned char> block(1 << 20);
    for (int pass = 0; pass < passes; ++pass) {
        if (pass % 3 == 2) {
            for (auto& b : block) b = static_cast<unsigned char>(std::rand());
        } else {
            std::memset(block.data(), pass % 3 == 0 ? 0x00 : 0xFF, block.size());
        }
        ::lseek(fd, 0, SEEK_SET);
        for (off_t done = 0; done < length;) {
            const size_t n = static_cast<size_t>(std::min<off_t>(length - done, static_cast<off_t>(block.size())));
            if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) return 1;
            done += static_cast<off_t>(n);
        }
        ::fsync(fd);
    }
    ::close(fd);
    return ::unlink(argv[2]) == 0 ? 0 : 1;
}
