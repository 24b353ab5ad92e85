// logreplay LOG...: feeds support logs back through the wizard's decisions and says
// whether each reproduces the actions it records (exit status 0 when all do).
#include <cstdio>
#include <fstream>
#include <sstream>

#include "support_log_replay.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: logreplay LOG...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            status = 2;
            continue;
        }
        std::ostringstream text;
        text << file.rdbuf();
        const ReplayResult result = ReplayLog(text.str());
        if (result.mismatch) {
            std::printf("%s: differs at %s\n", argv[i], result.mismatch->c_str());
            status = 1;
        } else {
            std::printf("%s: %u runs, %u events replayed, every action as recorded\n", argv[i],
                        result.runs, result.events);
        }
    }
    return status;
}
