// Commits one fault that the sanitizer build must catch: a signed overflow ("undefined"), a read
// past the end of a heap block ("heap") or a lost allocation ("leak"). Run by a check that the
// build's sanitizers really stop a program with a report, so a report in any test fails it.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    volatile int big = std::numeric_limits<int>::max();
    volatile int index = 8;
    if (std::strcmp(argv[1], "undefined") == 0) {
        const int sum = big + 1;
        std::printf("%d\n", sum);
    } else if (std::strcmp(argv[1], "heap") == 0) {
        char* block = static_cast<char*>(std::malloc(8));
        std::memset(block, 0, 8);
        std::printf("%d\n", block[index]);
        std::free(block);
    } else if (std::strcmp(argv[1], "leak") == 0) {
        static void* volatile lost = nullptr;
        lost = std::malloc(64);
        std::memset(lost, 1, 64);
        lost = nullptr;
    } else {
        return 2;
    }
    return 0;
}
