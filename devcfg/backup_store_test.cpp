#include "devcfg/backup_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>

#include "devcfg/testing/sample_records.h"
#include "platform/posix/private_files.h"

namespace orvex {
namespace {

class BackupStoreTest : public ::testing::Test {
  protected:
    BackupStoreTest() { std::filesystem::remove_all(root); }
    ~BackupStoreTest() override { std::filesystem::remove_all(root); }

    std::string root = ::testing::TempDir() + "backups_" + std::to_string(getpid()) + "/a/b";
    BackupStore store{root};
    std::mt19937 rng{3};
};

TEST_F(BackupStoreTest, PassesAndBackupsAreTheUsersOnly) {
    ::umask(022);
    const std::string id = store.beginPass("issue", 0x22, 1765000000);
    ASSERT_FALSE(id.empty());
    auto record = testing::RandomRecord(rng);
    ASSERT_TRUE(store.saveCamera(id, "S1_1", *record));
    EXPECT_EQ(PermissionBits(root), 0700);
    EXPECT_EQ(PermissionBits(root + "/" + id), 0700);
    for (const auto& entry : std::filesystem::directory_iterator(root + "/" + id)) {
        EXPECT_EQ(PermissionBits(entry.path()), 0600) << entry.path();
    }
    auto loaded = std::make_unique<DeviceConfig>();
    EXPECT_EQ(store.loadCamera(id, "S1_1", *loaded), BackupLoad::kLoaded);
    EXPECT_TRUE(*loaded == *record);

    BackupPass pass;
    ASSERT_TRUE(store.readPass(id, pass));
    pass.cameras.push_back({"S1", 1, "gate", {"图像设置"}, 0});
    ASSERT_TRUE(store.writePass(pass));
    ASSERT_EQ(store.listPasses().size(), 1u);
    EXPECT_EQ(store.listPasses()[0], pass);
    EXPECT_EQ(pass.kind + " " + std::to_string(pass.sectionMask), "issue 34");
}

TEST_F(BackupStoreTest, KeepsTheNewestTwentyPassesAndThePassARestoreReads) {
    std::vector<std::string> ids;
    for (int i = 0; i < 22; ++i) {
        // Three passes share each second: the number tells them apart in order.
        ids.push_back(store.beginPass("issue", 0, 1765000000 + i / 3, i == 21 ? ids[1] : ""));
        ASSERT_FALSE(ids.back().empty());
    }
    std::vector<BackupPass> passes = store.listPasses();
    ASSERT_EQ(passes.size(), 21u);  // the newest 20, and the one being restored
    EXPECT_EQ(passes.front().id, ids[21]);
    EXPECT_EQ(passes[19].id, ids[2]);
    EXPECT_EQ(passes[20].id, ids[1]);
    EXPECT_FALSE(PathExists(root + "/" + ids[0]));
    EXPECT_NE(ids[0], ids[1]);
}

TEST_F(BackupStoreTest, AMissingOrDamagedBackupIsNeverLoaded) {
    const std::string id = store.beginPass("issue", 0, 1765000000);
    auto record = testing::RandomRecord(rng);
    ASSERT_TRUE(store.saveCamera(id, "S1_1", *record));
    auto loaded = std::make_unique<DeviceConfig>();
    EXPECT_EQ(store.loadCamera(id, "S2_1", *loaded), BackupLoad::kMissing);
    EXPECT_EQ(store.loadCamera("20250101-000000-1", "S1_1", *loaded), BackupLoad::kMissing);
    EXPECT_EQ(store.loadCamera("../" + id, "S1_1", *loaded), BackupLoad::kMissing);

    const std::string bytes = EncodeBackup("S1_1", *record);
    EXPECT_EQ(DecodeBackup(bytes, "S1_1", *loaded), BackupLoad::kLoaded);
    EXPECT_EQ(DecodeBackup(bytes, "S1_2", *loaded), BackupLoad::kCorrupt) << "another camera's";
    for (size_t cut : {size_t{0}, size_t{7}, size_t{12}, bytes.size() / 2, bytes.size() - 1}) {
        EXPECT_EQ(DecodeBackup(bytes.substr(0, cut), "S1_1", *loaded), BackupLoad::kCorrupt) << cut;
    }
    for (size_t at : {size_t{0}, size_t{9}, size_t{40000}, bytes.size() - 1}) {
        std::string altered = bytes;
        altered[at] ^= 0x20;
        EXPECT_EQ(DecodeBackup(altered, "S1_1", *loaded), BackupLoad::kCorrupt) << at;
    }
    // A damaged file on disk reads as damaged.
    for (const auto& entry : std::filesystem::directory_iterator(root + "/" + id)) {
        if (entry.path().extension() == ".rec") {
            std::filesystem::resize_file(entry.path(), 100);
        }
    }
    EXPECT_EQ(store.loadCamera(id, "S1_1", *loaded), BackupLoad::kCorrupt);
}

}  // namespace
}  // namespace orvex
