#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/win32.h"
#include "security/file_trust/pinned_publishers.h"
#include "security/file_trust/publisher_rules.h"
#include "tests/unit/file_trust/file_trust_fixture.h"

namespace {

using namespace Qv::Vantix::Security;

SignerInformation Signer(std::string key, std::int32_t status = 0, std::wstring commonName = L"") {
    SignerInformation record;
    record.publicKey = std::move(key);
    record.status = status;
    record.commonName = std::move(commonName);
    return record;
}

constexpr std::int32_t kExpired = static_cast<std::int32_t>(0x800B0101);
constexpr std::int32_t kUntrustedRoot = static_cast<std::int32_t>(0x800B0109);

TEST(WindowsRule, SuccessOrExpiredCountsUntrustedRootDoesNot) {
    EXPECT_TRUE(IsTrustedByWindows({Signer("k", 0)}));
    EXPECT_TRUE(IsTrustedByWindows({Signer("k", kExpired)}));
    EXPECT_FALSE(IsTrustedByWindows({Signer("k", kUntrustedRoot)}));
    EXPECT_TRUE(IsTrustedByWindows({Signer("k", kUntrustedRoot), Signer("k", kExpired)}));
    EXPECT_FALSE(IsTrustedByWindows({}));
}

TEST(PinnedKeyRule, UntrustedRootWithAPinnedKeyMatches) {
    const std::vector<std::string> keys{"aa bb", "cc dd"};
    EXPECT_TRUE(IsTrustedByMeridel({Signer("cc dd", kUntrustedRoot)}, &keys));
    EXPECT_FALSE(IsTrustedByMeridel({Signer("CC DD")}, &keys)) << "upper-case hex is another text";
    EXPECT_FALSE(IsTrustedByMeridel({Signer("cc dd ")}, &keys));
    EXPECT_FALSE(IsTrustedByMeridel({Signer("cc")}, &keys));
}

TEST(PinnedKeyRule, NullOrEmptyListsGiveFalse) {
    const std::vector<std::string> none;
    const std::vector<std::string> keys{"aa"};
    EXPECT_FALSE(IsTrustedByMeridel({Signer("aa")}, nullptr));
    EXPECT_FALSE(IsTrustedByMeridel({Signer("aa")}, &none));
    EXPECT_FALSE(IsTrustedByMeridel({}, &keys));
}

TEST(PinnedKeyRule, EmptyKeyTextMatchesNothingEvenAnEmptyEntry) {
    const std::vector<std::string> keys{"", "aa"};
    EXPECT_FALSE(IsTrustedByMeridel({Signer("")}, &keys));
}

TEST(IdentityRule, CommonNameAloneDecides) {
    SignerInformation other = Signer("", 0, L"Dropbox, Inc");
    other.organization = L"Someone Else";
    other.locality = L"Elsewhere";
    EXPECT_TRUE(IsSignedByIdentity({other}, DropboxSignerIdentities));
    EXPECT_FALSE(IsSignedByIdentity({Signer("", 0, L"Dropbox, Inc.")}, DropboxSignerIdentities));
    EXPECT_FALSE(IsSignedByIdentity({Signer("", 0, L"dropbox, inc")}, DropboxSignerIdentities));
    EXPECT_FALSE(IsSignedByIdentity({}, DropboxSignerIdentities));
    EXPECT_FALSE(IsSignedByIdentity({other}, {}));
}

TEST(SameKeyRule, SharedKeyTextAcrossLists) {
    EXPECT_TRUE(AreSignedWithSameKey({Signer("aa"), Signer("bb", kUntrustedRoot)}, {Signer("cc"), Signer("bb")}));
    EXPECT_FALSE(AreSignedWithSameKey({Signer("aa")}, {Signer("ab")}));
    EXPECT_FALSE(AreSignedWithSameKey({}, {Signer("aa")}));
    EXPECT_FALSE(AreSignedWithSameKey({Signer("aa")}, {}));
}

TEST(SameKeyRule, TwoUnreadableCertificatesAreNotTheSameKey) {
    EXPECT_FALSE(AreSignedWithSameKey({Signer("")}, {Signer("")}));
    EXPECT_TRUE(AreSignedWithSameKey({Signer(""), Signer("aa")}, {Signer(""), Signer("aa")}));
}

struct ListShape {
    size_t entries = 0, distinct = 0, of2048 = 0, of3072 = 0;
};

ListShape ShapeOf(const std::vector<std::string>& keys) {
    ListShape shape;
    shape.entries = keys.size();
    const std::set<std::string> distinct(keys.begin(), keys.end());
    shape.distinct = distinct.size();
    for (const std::string& key : distinct) {
        if (key.size() == 809 && key.rfind("30 82 01 0a 02 82 01 01 00", 0) == 0) ++shape.of2048;
        if (key.size() == 1193 && key.rfind("30 82 01 8a 02 82 01 81 00", 0) == 0) ++shape.of3072;
    }
    return shape;
}

TEST(PinnedKeyTables, SizesAndOverlapOfTheBundledLists) {
    const ListShape first = ShapeOf(TrustedPublicKeys);
    EXPECT_EQ(first.entries, 34u);
    EXPECT_EQ(first.distinct, 32u);
    EXPECT_EQ(first.of2048, 25u);
    EXPECT_EQ(first.of3072, 7u);
    const ListShape extended = ShapeOf(TrustedPublicKeysExtended);
    EXPECT_EQ(extended.entries, 45u);
    EXPECT_EQ(extended.distinct, 43u);
    EXPECT_EQ(extended.of2048, 34u);
    EXPECT_EQ(extended.of3072, 9u);

    const std::set<std::string> a(TrustedPublicKeys.begin(), TrustedPublicKeys.end());
    const std::set<std::string> b(TrustedPublicKeysExtended.begin(), TrustedPublicKeysExtended.end());
    const size_t both = std::count_if(a.begin(), a.end(), [&](const std::string& key) { return b.count(key) > 0; });
    EXPECT_EQ(both, 29u);
    EXPECT_EQ(a.size() - both, 3u);
    EXPECT_EQ(b.size() - both, 14u);
}

TEST(PinnedKeyTables, EveryEntryIsAKeyTextOfExponent65537) {
    for (const auto* list : {&TrustedPublicKeys, &TrustedPublicKeysExtended}) {
        for (const std::string& key : *list) {
            ASSERT_EQ(key.size() % 3, 2u);
            for (size_t i = 0; i < key.size(); ++i) {
                const char c = key[i];
                if (i % 3 == 2) {
                    ASSERT_EQ(c, ' ') << key;
                } else {
                    ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << key;
                }
            }
            EXPECT_EQ(key.substr(key.size() - 14), "02 03 01 00 01");
        }
    }
}

TEST(PinnedKeyTables, TestSigningKeysArePinnedWhereTheTestsExpectThem) {
    auto pinned = [](const std::vector<std::string>& list, const std::string& certificate) {
        return std::find(list.begin(), list.end(), file_trust_test::KeyTextOf(certificate)) != list.end();
    };
    EXPECT_TRUE(pinned(TrustedPublicKeys, "pinned-2048-a"));
    EXPECT_TRUE(pinned(TrustedPublicKeysExtended, "pinned-2048-a"));
    EXPECT_TRUE(pinned(TrustedPublicKeys, "pinned-3072-a"));
    EXPECT_TRUE(pinned(TrustedPublicKeys, "untrusted-root-pinned"));
    EXPECT_FALSE(pinned(TrustedPublicKeys, "pinned-extended-only"));
    EXPECT_TRUE(pinned(TrustedPublicKeysExtended, "pinned-extended-only"));
    EXPECT_FALSE(pinned(TrustedPublicKeys, "unpinned-2048"));
    EXPECT_FALSE(pinned(TrustedPublicKeysExtended, "dropbox-like"));
}

TEST(IdentityTable, OneRowAsGiven) {
    ASSERT_EQ(DropboxSignerIdentities.size(), 1u);
    const SignerInformation& row = DropboxSignerIdentities[0];
    EXPECT_EQ(row.commonName, L"Dropbox, Inc");
    EXPECT_EQ(row.organizationalUnit, L"");
    EXPECT_EQ(row.organization, L"Dropbox, Inc");
    EXPECT_EQ(row.locality, L"San Francisco");
    EXPECT_EQ(row.state, L"California");
    EXPECT_EQ(row.country, L"US");
    EXPECT_EQ(row.issuer, L"DigiCert SHA2 Assured ID Code Signing CA");
    EXPECT_EQ(row.publicKey, "");
    EXPECT_EQ(row.status, 0);
}

}  // namespace
