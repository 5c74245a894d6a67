// kavrel-decode: the batch decoder's entry point; see tools/batch.h.
#include "tools/batch.h"

#include <cstdio>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Line ends are the program's own business: LF out, LF or CR LF in.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return kavrel::batch::RunBatch(args, stdin, stdout, stderr);
}
