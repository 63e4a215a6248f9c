// Stand-in for the update launcher: appends one line, "yyyy-mm-dd hh:mm:ss <working folder>", to
// fupdate.log in its working folder and ends with exit code 0.
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

int main() {
    char buf[4096];
    const std::string folder = getcwd(buf, sizeof buf) ? buf : "?";

    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    if (std::FILE* log = std::fopen("fupdate.log", "a")) {
        std::fprintf(log, "%s %s\n", stamp, folder.c_str());
        std::fclose(log);
    }
    return 0;
}
