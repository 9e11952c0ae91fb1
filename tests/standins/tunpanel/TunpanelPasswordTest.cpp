// The configuration-panel password as tunpanel stores it must hash to what
// the service computes from the CFGPANEL_PWD_RESP field: same bytes, same
// length rule, same GuiDefs layout, same keys.
#include "standins/tunpanel/MessageComposer.h"
#include "standins/tunpanel/PanelPassword.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

using namespace tunpanel;

namespace {

Salt CountingSalt() {
    Salt salt{};
    std::iota(salt.begin(), salt.end(), uint8_t{0xA0});
    return salt;
}

}  // namespace

// What --set-panel-password hashes is exactly what the service hashes when
// the panel request sends the same password.
TEST(TunpanelPassword, StoredHashInputEqualsWhatTheServiceHashesFromTheMessage) {
    const Salt salt = CountingSalt();
    for (const std::string& password : {std::string("s"), std::string("secret"), std::string(31, 'x')}) {
        const Message sent = PasswordMessage(password);
        const uint8_t* field = sent.data() + 16;
        const size_t n = PasswordHashLength(field, 256).value();
        std::vector<uint8_t> serviceInput(field, field + n);
        serviceInput.insert(serviceInput.end(), salt.begin(), salt.end());

        const std::vector<uint8_t> stored = PasswordHashInput(password, salt);
        EXPECT_EQ(serviceInput, stored) << password;
        EXPECT_EQ(password.size() + 1 + 32, stored.size());
        EXPECT_LE(stored.size(), kHashBufferSize);
        EXPECT_EQ(0, stored[password.size()]);  // one terminating zero, then the salt
        EXPECT_EQ(0xA0, stored[password.size() + 1]);
    }
}

TEST(TunpanelPassword, GuiDefsHoldsDigestAndSaltAndNothingElse) {
    Digest digest{};
    digest.fill(0x5D);
    const GuiDefs value = ComposeGuiDefs(digest, CountingSalt());
    ASSERT_EQ(180u, value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const uint8_t expected = i >= 12 && i < 44 ? 0x5D : i >= 44 && i < 76 ? static_cast<uint8_t>(0xA0 + i - 44) : 0;
        EXPECT_EQ(expected, value[i]) << "byte " << i;
    }
}

// The service takes the salt from the product key but the digest from
// SOFTWARE\<LogPath> when "LogPath" is readable.
TEST(TunpanelPassword, GuiDefsGoesWhereverTheServiceReadsIt) {
    using Keys = std::vector<std::string>;
    EXPECT_EQ(Keys{"SOFTWARE\\Quorvane\\Quorvane VPN"}, GuiDefsKeys(std::nullopt));
    EXPECT_EQ((Keys{"SOFTWARE\\Quorvane\\Quorvane VPN", "SOFTWARE\\OrxVpn\\Logs"}), GuiDefsKeys("OrxVpn\\Logs"));
    EXPECT_EQ(Keys{"SOFTWARE\\Quorvane\\Quorvane VPN"}, GuiDefsKeys("quorvane\\QUORVANE vpn"));
}
