// Stand-in for the handheld's menu program: records where and how it was started, then ends.
//
//   GP2X_RECORD=FILE fake_menu [ARG...]
//
// appends to FILE
//   cwd=<its working directory, symbolic links resolved>
//   argv0=<its argv[0], as its caller passed it>
//   argc=<number of arguments after argv[0]>
//   arg=<each argument>          (one line each)
//   end
// and ends with status 0. tests/support/sandbox.sh installs it as /usr/gp2x/gp2xmenu. It is a
// program rather than a script because the kernel hands a script its own path as $0, which would
// hide whatever argv[0] the game passed to exec. Without GP2X_RECORD, or when the record cannot be
// written, it says why on standard error and ends with status 1.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

int fail(const char* what, const char* detail) {
    std::fprintf(stderr, "fake menu: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* record = std::getenv("GP2X_RECORD");
    if (!record || !*record) return fail("GP2X_RECORD names no record file", nullptr);
    // The kernel keeps the working directory as a path without links, as `pwd -P` prints it.
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return fail("cannot read the working directory", strerror(errno));

    std::FILE* out = std::fopen(record, "a");
    if (!out) return fail(record, strerror(errno));
    // A caller may pass no argv[0] at all; the record then shows it empty.
    std::fprintf(out, "cwd=%s\nargv0=%s\nargc=%d\n", cwd, argc > 0 ? argv[0] : "",
                 argc > 0 ? argc - 1 : 0);
    for (int i = 1; i < argc; ++i)
        std::fprintf(out, "arg=%s\n", argv[i]);
    std::fputs("end\n", out);
    // Every write is checked here at once: a full disk shows only when the buffer goes out.
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written) return fail(record, "cannot write the record");
    return 0;
}
