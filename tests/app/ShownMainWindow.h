#pragma once

#include "app/FMain.h"
#include "brand/BrandProfile.h"
#include "tests/app/TestEnvironment.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A fixture with a main window made afresh for every test, without a brand
// profile, and shown on screen.
class ShownMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        BrandProfile = BrandProfileRecord{};
        w = std::make_unique<TfrmMain>(env.make());
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    TestEnvironment env;
    std::unique_ptr<TfrmMain> w;
};
