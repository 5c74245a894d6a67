// kavrel-decode: the batch decoder's entry point; see tools/batch.h.
#include "tools/batch.h"

#include <cstdio>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "platform/ansi.h"
#include "tools/console.h"

#include <fcntl.h>
#include <io.h>

#include <string>

// Windows hands the arguments over as UTF-16; the ANSI ones of main() would
// have lost every character outside the code page.
int wmain(int argc, wchar_t** argv) {
    // Line ends are the program's own business: LF out, LF or CR LF in.
    for (std::FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
    std::vector<std::string> utf8;
    for (int i = 1; i < argc; ++i) utf8.push_back(kavrel::Utf8FromWide(argv[i]));
    const std::vector<std::string_view> args(utf8.begin(), utf8.end());
    using kavrel::batch::Standard;
    const auto out = kavrel::batch::StandardSink(Standard::Output);
    const auto err = kavrel::batch::StandardSink(Standard::Error);
    return kavrel::batch::RunBatch(args, stdin, *out, *err);
}
#else
int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return kavrel::batch::RunBatch(args, stdin, stdout, stderr);
}
#endif
