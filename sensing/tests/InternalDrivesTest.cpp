#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/PlatformServicesClient.h"
#include "sensing/InternalDrives.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;

// A throw-away sysfs tree: /block/<device>/{removable,queue/rotational,device/model}.
class SysfsFixture {
public:
    SysfsFixture() {
        char pattern[] = "/tmp/ventiq-sysfs-XXXXXX";
        root_ = ::mkdtemp(pattern);
        fs::create_directories(root_ / "block");
    }
    ~SysfsFixture() { fs::remove_all(root_); }

    void addDevice(const std::string& name, const char* removable, const char* rotational, const char* model) {
        const fs::path dir = root_ / "block" / name;
        fs::create_directories(dir / "queue");
        fs::create_directories(dir / "device");
        if (removable) write(dir / "removable", removable);
        if (rotational) write(dir / "queue" / "rotational", rotational);
        if (model) write(dir / "device" / "model", model);
    }

    std::string root() const { return root_.string(); }

private:
    static void write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }
    fs::path root_;
};

TEST(InternalDrives, SysfsKeepsInternalSolidStateDrives) {
    SysfsFixture sysfs;
    sysfs.addDevice("nvme0n1", "0\n", "0\n", "APPLE SSD AP2048Z   \n");
    sysfs.addDevice("sda", "0\n", "1\n", "Spinning Disk\n");
    sysfs.addDevice("sdb", "1\n", "0\n", "USB Stick\n");
    sysfs.addDevice("loop0", "0\n", "0\n", "Loop\n");
    sysfs.addDevice("ram0", "0\n", "0\n", "Ram\n");
    sysfs.addDevice("zram0", "0\n", "0\n", "Zram\n");
    sysfs.addDevice("dm-0", "0\n", "0\n", "Mapper\n");
    sysfs.addDevice("md0", "0\n", "0\n", "Raid\n");
    sysfs.addDevice("nvme1n1", "0\n", "0\n", "APPLE SSD AP2048Z   \n");
    sysfs.addDevice("mmcblk0", "0\n", "0\n", nullptr);
    sysfs.addDevice("nvme2n1", nullptr, "0\n", "No Removable Flag\n");
    sysfs.addDevice("vda", "0\n", "0\n", "\n");
    sysfs.addDevice("nvme3n1", "0\n", "0\n", "Second SSD\n");

    // The model is kept as the device stores it, padding included; duplicates
    // and devices without a model are left out.
    EXPECT_EQ(InternalDrives::fromSysfs(sysfs.root()),
              (std::vector<std::string>{"APPLE SSD AP2048Z   ", "Second SSD"}));
}

TEST(InternalDrives, MissingTreeOrSocketGivesNothing) {
    EXPECT_TRUE(InternalDrives::fromSysfs("/nonexistent/ventiq-sysfs").empty());

    SysfsFixture sysfs;
    sysfs.addDevice("nvme0n1", "0\n", "0\n", "Local SSD\n");
    const PlatformServicesClient absent("/nonexistent/ventiq-platform.sock");
    EXPECT_FALSE(InternalDrives::fromPlatform(absent));
    EXPECT_EQ(InternalDrives::names(absent, sysfs.root()), std::vector<std::string>{"Local SSD"});
}

}  // namespace
}  // namespace ventiq
