// Stand-in for the outside updater: waits the number of milliseconds written in the file
// "ExeUpdate.delay" beside it (none: no wait) and ends with exit code 0.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

int main() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    long long delayMs = 0;
    if (!ec) {
        std::ifstream delay(self.parent_path() / "ExeUpdate.delay");
        if (!(delay >> delayMs) || delayMs < 0) delayMs = 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    return 0;
}
