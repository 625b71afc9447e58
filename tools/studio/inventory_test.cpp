// The inventory's JSON and CSV forms: what a hand-broken file is told, and the CSV round trip
// with the fields installers' lists really hold.
#include <gtest/gtest.h>

#include "tools/studio/inventory.h"
#include "tools/studio/inventory_csv.h"

namespace orvex::site {
namespace {

Inventory Sample() {
    Inventory inventory;
    SiteGroup& lobby = inventory.group("一号楼大厅, \"东\"");
    SiteCamera a;
    a.serial = "DS-0001";
    a.name = "入口 \"北\", 2楼";
    a.address = "10.0.0.5";
    a.password = "S3cret,\"w\"\nx";
    a.channels = 2;
    lobby.cameras.push_back(a);
    SiteCamera b;
    b.serial = "DS-0002";
    b.name = " 停车场 ";  // blanks at the ends are kept
    b.address = "cam2.site.example";
    b.port = 8000;
    b.protocol = kDeviceProtocol;
    b.user = "";
    inventory.group("地下停车场").cameras.push_back(b);
    inventory.configurations.push_back({"停车场标准配置", "2026-01-02T03:04:05Z"});
    return inventory;
}

std::vector<std::pair<std::string, SiteCamera>> Flat(const Inventory& inventory) {
    std::vector<std::pair<std::string, SiteCamera>> out;
    for (const SiteGroup& g : inventory.groups) {
        for (const SiteCamera& c : g.cameras) {
            out.emplace_back(g.name, c);
        }
    }
    return out;
}

void ExpectSameCamera(const SiteCamera& a, const SiteCamera& b) {
    EXPECT_EQ(a.serial, b.serial);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.address, b.address);
    EXPECT_EQ(a.port, b.port);
    EXPECT_EQ(a.protocol, b.protocol);
    EXPECT_EQ(a.user, b.user);
    EXPECT_EQ(a.channels, b.channels);
}

TEST(InventoryJson, RoundTripsEveryField) {
    const Inventory inventory = Sample();
    Inventory read;
    std::string error;
    ASSERT_TRUE(ParseInventory(WriteInventory(inventory), read, error)) << error;
    ASSERT_EQ(Flat(read).size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Flat(read)[i].first, Flat(inventory)[i].first);
        ExpectSameCamera(Flat(read)[i].second, Flat(inventory)[i].second);
        EXPECT_EQ(Flat(read)[i].second.password, Flat(inventory)[i].second.password);
    }
    EXPECT_EQ(read.groups[1].id, "g2");
    ASSERT_EQ(read.configurations.size(), 1u);
    EXPECT_EQ(read.configurations[0].name, "停车场标准配置");
}

TEST(InventoryJson, ABrokenFileNamesThePlaceAndTheField) {
    const std::string camera = R"({"serial": "S1", "address": "10.0.0.1")";
    const struct {
        std::string text;
        std::string place;
    } cases[] = {
        {"{\"groups\": [\n  {\"name\": \"a\",, }]}", "Line 2, Column"},
        {"[]", "top level"},
        {R"({"groups": {}})", "groups: expected an array"},
        {R"({"groups": [{"id": "g1"}]})", "groups[0].name: missing"},
        {R"({"groups": [{"name": "a", "id": "g1", "cameras": [)" + camera +
             R"(, "port": "80"}]}]})",
         "groups[0].cameras[0].port: expected a whole number from 1 to 65535"},
        {R"({"groups": [{"name": "a", "id": "g1", "cameras": [)" + camera +
             R"(, "protocol": "rtsp"}]}]})",
         "groups[0].cameras[0].protocol: expected \"ONVIF\" or \"device\", not \"rtsp\""},
        {R"({"groups": [{"name": "a", "id": "g1", "cameras": [)" + camera + "}, " + camera +
             R"(}]}]})",
         "groups[0].cameras[1].serial: \"S1\" is listed twice"},
        {R"({"groups": [{"name": "a", "id": "g1"}, {"name": "b", "id": "g1"}]})",
         "groups[1].id: \"g1\" is used by an earlier group"},
        {R"({"groups": [{"name": "a", "id": "g1", "cameras": [{"serial": "S"}]}]})",
         "groups[0].cameras[0].address: missing"},
        {R"({"configurations": [{"time": "x"}]})", "configurations[0].name: missing"},
    };
    for (const auto& c : cases) {
        Inventory inventory = Sample();
        std::string error;
        EXPECT_FALSE(ParseInventory(c.text, inventory, error)) << c.text;
        EXPECT_NE(error.find(c.place), std::string::npos) << error;
        EXPECT_EQ(inventory.cameraCount(), 2u) << "a failed read changes nothing";
    }
}

TEST(InventoryCsv, RoundTripsQuotesCommasLineBreaksAndChineseNames) {
    const Inventory inventory = Sample();
    std::vector<CsvCamera> read;
    std::string error;
    ASSERT_TRUE(ReadCsv(WriteCsv(inventory, true), read, error)) << error;
    const auto flat = Flat(inventory);
    ASSERT_EQ(read.size(), flat.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].group, flat[i].first);
        ExpectSameCamera(read[i].camera, flat[i].second);
        EXPECT_TRUE(read[i].hasPassword);
        EXPECT_EQ(read[i].camera.password, flat[i].second.password);
    }
}

TEST(InventoryCsv, PasswordsAreLeftOutUnlessAskedFor) {
    const std::string csv = WriteCsv(Sample(), false);
    EXPECT_EQ(csv.substr(0, csv.find('\r')),
              "group,name,serial,address,port,protocol,user,channels");
    EXPECT_EQ(csv.find("S3cret"), std::string::npos);
    std::vector<CsvCamera> read;
    std::string error;
    ASSERT_TRUE(ReadCsv(csv, read, error)) << error;
    EXPECT_FALSE(read[0].hasPassword);
}

TEST(InventoryCsv, ReadsWhatSpreadsheetsWriteAndNamesTheBadLine) {
    std::vector<CsvCamera> read;
    std::string error;
    // A byte-order mark, columns in another order, LF endings, a blank line, defaults.
    ASSERT_TRUE(ReadCsv("\xEF\xBB\xBFserial,address,protocol\nA1,10.0.0.9,device\n\nA2,h,onvif\n",
                        read, error))
        << error;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].camera.port, 8000);
    EXPECT_EQ(read[1].camera.port, 80);
    EXPECT_EQ(read[1].camera.protocol, kOnvif);

    const struct {
        std::string text;
        std::string message;
    } bad[] = {
        {"serial,address\n\"A1,10.0.0.9\n", "line 2: a quoted field is not closed"},
        {"serial,address,port\nA1,h,80\nA2,h,eighty\n", "line 3, port: \"eighty\" is not a number"},
        {"serial,address,port\n\"A\n1\",h,80\nA2,h,0\n", "line 4, port: expected"},
        {"serial,address,colour\n", "line 1: unknown column \"colour\""},
        {"serial,name\n", "line 1: the header has no \"address\" column"},
        {"serial,address\nA1\n", "line 2: 1 fields where the header has 2"},
        {"serial,address\n,h\n", "line 2, serial: empty"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(ReadCsv(b.text, read, error)) << b.text;
        EXPECT_EQ(error.rfind(b.message, 0), 0u) << error;
    }
}

}  // namespace
}  // namespace orvex::site
