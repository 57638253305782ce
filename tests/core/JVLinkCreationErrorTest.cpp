// What a failed creation of the JV-Link control is reported as: a missing control or one that
// does not load, with the COM result as eight hex digits and the system's words.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "jvlink/JVLinkCreationError.h"

using namespace turfpad;

TEST(JVLinkCreationError, MissingControlToldFromOneThatDoesNotLoad) {
    using F = JVLinkCreationFailure;
    // ProgID unknown: not installed, whatever the program.
    EXPECT_EQ(ClassifyJVLinkCreation(0x800401F3, false), F::NotInstalled);
    EXPECT_EQ(ClassifyJVLinkCreation(0x800401F3, true), F::NotInstalled);
    // Class unknown: not installed for a 32-bit program; a 64-bit one sees only its own view
    // of the registry, where the 32-bit control is not registered.
    EXPECT_EQ(ClassifyJVLinkCreation(0x80040154, false), F::NotInstalled);
    EXPECT_EQ(ClassifyJVLinkCreation(0x80040154, true), F::CannotLoad);
    // Registered, but no interface, no file, no 32-bit image.
    for (std::uint32_t hr : {0x80004002u, 0x8007007Eu, 0x800700C1u, 0x80004005u})
        EXPECT_EQ(ClassifyJVLinkCreation(hr, false), F::CannotLoad) << HResultText(hr);
}

TEST(JVLinkCreationError, OnlyThe64BitControlIsToldBySaying32BitIsNeeded) {
    using F = JVLinkCreationFailure;
    struct Case {
        std::uint32_t hresult;
        bool program64Bit;
        JVLinkRegistration registration;
        F want;
    };
    const Case cases[] = {
        {0x80040154, false, {false, true}, F::Only64BitInstalled},  // ProgID shared, class in the 64-bit view only
        {0x800401F3, false, {false, true}, F::Only64BitInstalled},  // ProgID in the 64-bit view only
        {0x80040154, false, {true, true}, F::NotInstalled},         // both: not a question of bitness
        {0x80040154, false, {false, false}, F::NotInstalled},
        {0x8007007E, false, {false, true}, F::CannotLoad},  // registered, its file missing: not the class unknown
        {0x80040154, true, {false, true}, F::CannotLoad},   // a 64-bit program: the 32-bit control alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyJVLinkCreation(c.hresult, c.program64Bit, c.registration), c.want)
            << HResultText(c.hresult) << " 64-bit program " << c.program64Bit << " views " << c.registration.ownView
            << c.registration.otherView;

    const char* general = "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";
    const std::string only64 = JVLinkCreationErrorText(0x80040154, "クラスが登録されていません", false, {false, true});
    const std::string advice = JVLinkStartupMessage(only64, general);
    EXPECT_EQ(advice.rfind("64 ビット版の JV-Link だけがインストールされています。", 0), 0u) << advice;
    EXPECT_NE(advice.find("32 ビット版の JV-Link を入手し、64 ビット版と並べてインストールしてください"),
              std::string::npos)
        << advice;
    EXPECT_EQ(only64, advice + "（JVDTLab.JVLink を作成できません: 0x80040154 クラスが登録されていません）");
    EXPECT_EQ(JVLinkStartupMessage(JVLinkCreationErrorText(0x80040154, "", false, {false, false}), general), general);
    EXPECT_EQ(JVLinkStartupMessage(JVLinkCreationErrorText(0x80040154, "", true, {false, true}), general), general);
}

TEST(JVLinkCreationError, TextGivesMeaningCodeAndSystemWords) {
    EXPECT_EQ(HResultText(0x80040154), "0x80040154");
    EXPECT_EQ(HResultText(0x8007000E), "0x8007000E");  // capitals
    EXPECT_EQ(HResultText(0x5), "0x00000005");         // eight digits

    EXPECT_EQ(JVLinkCreationErrorText(0x800401F3, "無効なクラス文字列です", false),
              "JV-Link がインストールされていません（JVDTLab.JVLink を作成できません: 0x800401F3 "
              "無効なクラス文字列です）");
    EXPECT_EQ(JVLinkCreationErrorText(0x80004002, "", false),
              "JV-Link はインストールされていますが、読み込めません（JVDTLab.JVLink を作成できません: 0x80004002）");
    const std::string wrongBitness = JVLinkCreationErrorText(0x80040154, "クラスが登録されていません", true);
    EXPECT_EQ(wrongBitness.rfind("JV-Link を読み込めません。64 ビット", 0), 0u) << wrongBitness;
    EXPECT_NE(wrongBitness.find("0x80040154 クラスが登録されていません）"), std::string::npos) << wrongBitness;
}

TEST(JVLinkCreationError, LogGetsADatedLineAFailure) {
    turfpad::testing::TempDir dir;
    std::string error;
    ASSERT_TRUE(AppendStartupLog(dir / "turfpad.log", "一行目", error)) << error;
    ASSERT_TRUE(AppendStartupLog(dir / "turfpad.log", "二行目", error)) << error;
    const std::string log = turfpad::testing::ReadAll(dir / "turfpad.log");
    ASSERT_EQ(log.size(), 2 * (19 + 1 + std::string("一行目").size() + 1)) << log;
    EXPECT_EQ(log.substr(4, 1) + log.substr(7, 1) + log.substr(10, 1) + log.substr(13, 1), "-- :");
    EXPECT_EQ(log.substr(20, std::string("一行目\n").size()), "一行目\n");
    EXPECT_TRUE(log.ends_with(" 二行目\n"));
    EXPECT_FALSE(AppendStartupLog(dir / "none" / "turfpad.log", "x", error));
    EXPECT_FALSE(error.empty());
}
