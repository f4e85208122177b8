// The encryption-library wrapper against stand-in libraries installed with test drivers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/config.h"
#include "base/cipherset.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"

using namespace oemui;
using testenv::Printer;

namespace {

const wchar_t kNoDecryptPrinter[] = L"No Decrypt 1";
const wchar_t kNoLibraryPrinter[] = L"No Library 1";
const wchar_t kMissingFilePrinter[] = L"Missing Crypto File 1";
const wchar_t kLongNamePrinter[] = L"Long Crypto Name 1";

class CipherSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto install = [](const wchar_t* driver, const wchar_t* printer, const wchar_t* capName,
                          const std::string& cryptoLine) {
            testenv::TestDriver d;
            d.name = driver;
            d.dependentFiles = {{capName, "[Capability]\r\n" + testenv::Narrow(driver) +
                                              "=Model\r\n\r\n[Model]\r\n" + cryptoLine + "\r\n"},
                                {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)}};
            ASSERT_TRUE(testenv::InstallDriver(d));
            ASSERT_TRUE(testenv::InstallPrinter(printer, driver));
        };
        install(L"No Decrypt PS", kNoDecryptPrinter, L"nodecrypt.cap",
                "CryptoDll=vrcrypt_nodec.dll");
        install(L"No Library PS", kNoLibraryPrinter, L"nolibrary.cap", "TabLinkName=x");
        install(L"Missing Crypto File PS", kMissingFilePrinter, L"missingcrypto.cap",
                "CryptoDll=vrcrypt_absent.dll");
        install(L"Long Crypto Name PS", kLongNamePrinter, L"longcrypto.cap",
                "CryptoDll=" + std::string(400, 'c') + ".dll");
    }

    // The capability lookups read the capability file of the last dependent-file search.
    static void Select(const Printer& printer) {
        ASSERT_TRUE(FindDependentFiles(printer.get(), nullptr));
    }
};

}  // namespace

TEST_F(CipherSetTest, EveryCallReachesTheLibraryWithItsArguments) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    Select(printer);
    testenv::StandInLog log;
    {
        CCiperSet cipher(printer.get());
        ASSERT_TRUE(cipher.Loaded());
        EXPECT_NE(GetModuleHandleW(L"vrcrypt.dll"), nullptr);

        CryptoSettingsBlock block = {};
        EXPECT_EQ(cipher.GetDefaultSetting(&block, 1), 1);
        EXPECT_EQ(block.Word0, 0x0A0A0001u);
        EXPECT_EQ(block.Word7, 0x07070007u);

        EXPECT_EQ(cipher.DispCryptoUIEx(GetDesktopWindow(), &block, 2), 1);
        EXPECT_EQ(block.Word0, 0x1002u);
        EXPECT_STREQ(block.Password, "secret");

        BYTE encrypted[256] = {};
        DWORD encryptedLength = 255;
        EXPECT_EQ(cipher.EncryptPassword("secret", 6, encrypted, &encryptedLength), 1);
        EXPECT_EQ(encryptedLength, 6u);
        EXPECT_EQ(encrypted[0], static_cast<BYTE>('t' ^ 0x5A));

        char text[16] = {};
        DWORD textSize = 13;
        EXPECT_EQ(cipher.DecryptPassword(encrypted, encryptedLength, text, &textSize), 1);
        EXPECT_STREQ(text, "secret");
    }
    EXPECT_EQ(GetModuleHandleW(L"vrcrypt.dll"), nullptr) << "unloaded with the object";
    const auto lines = log.Lines();
    const std::vector<std::string> expected = {"load",
                                               "GetDefaultSetting mode=1",
                                               "DispCryptoUIEx owner=1 mode=2",
                                               "EncryptPassword length=6 room=255",
                                               "DecryptPassword length=6 room=13",
                                               "unload"};
    EXPECT_EQ(lines, expected);
}

TEST_F(CipherSetTest, ModelWithoutLibraryAnswersZeroAndShowsNothing) {
    Printer printer(kNoLibraryPrinter);
    ASSERT_TRUE(printer);
    Select(printer);
    testenv::StandInLog log;
    CCiperSet cipher(printer.get());
    EXPECT_FALSE(cipher.Loaded());
    CryptoSettingsBlock block = {};
    memset(&block, 0x11, sizeof(block));
    EXPECT_EQ(cipher.GetDefaultSetting(&block, 1), 0);
    EXPECT_EQ(block.Word0, 0x11111111u) << "nothing called";
    EXPECT_EQ(cipher.DispCryptoUIEx(nullptr, &block, 0), 0);
    BYTE out[256];
    DWORD outLength = 255;
    EXPECT_EQ(cipher.EncryptPassword("abcd", 4, out, &outLength), 0);
    EXPECT_EQ(outLength, 255u);

    // The missing library is the integrator's to read in the trace: no message to the user.
    testenv::ModalWatcher watcher;
    char text[16] = {};
    DWORD size = 13;
    EXPECT_EQ(cipher.DecryptPassword(out, 4, text, &size), 0);
    EXPECT_TRUE(watcher.seen.empty());
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(CipherSetTest, LibraryWithoutDecryptionAnswersZeroAndShowsNothing) {
    Printer printer(kNoDecryptPrinter);
    ASSERT_TRUE(printer);
    Select(printer);
    CCiperSet cipher(printer.get());
    ASSERT_TRUE(cipher.Loaded());
    CryptoSettingsBlock block = {};
    EXPECT_EQ(cipher.GetDefaultSetting(&block, 1), 1) << "the other entry points still work";

    testenv::ModalWatcher watcher;
    BYTE in[4] = {1, 2, 3, 4};
    char text[16] = {};
    for (int call = 0; call < 2; ++call) {
        DWORD size = 13;
        EXPECT_EQ(cipher.DecryptPassword(in, 4, text, &size), 0);
    }
    EXPECT_TRUE(watcher.seen.empty()) << "no developer message reaches the user";
    EXPECT_EQ(text[0], '\0');
}

TEST_F(CipherSetTest, MissingOrOverlongLibraryNamesLoadNothing) {
    for (const wchar_t* name : {kMissingFilePrinter, kLongNamePrinter}) {
        Printer printer(name);
        ASSERT_TRUE(printer);
        Select(printer);
        CCiperSet cipher(printer.get());
        EXPECT_FALSE(cipher.Loaded());
        CryptoSettingsBlock block = {};
        EXPECT_EQ(cipher.GetDefaultSetting(&block, 1), 0);
    }
}
