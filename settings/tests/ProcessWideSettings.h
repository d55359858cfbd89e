#pragma once
#include <gtest/gtest.h>

#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "settings/AppLanguage.h"
#include "settings/TempFormat.h"
#include "settings/UIScale.h"

namespace ventiq {

// The language, the scale, the temperature unit and the standard store are
// process-wide; every test that touches them gets a fresh store and
// environment of its own and leaves nothing installed behind.
class ProcessWideSettings : public ::testing::Test {
protected:
    void SetUp() override {
        PreferenceStore::setStandard(&store);
        AppLanguage::setStore(&store);
        AppLanguage::setEnvironment(&env);
        UIScale::setStore(&store);
        TempFormat::setStore(&store);
    }
    void TearDown() override {
        TempFormat::setStore(nullptr);
        UIScale::setStore(nullptr);
        UIScale::setNotificationCenter(nullptr);
        AppLanguage::setEnvironment(nullptr);
        AppLanguage::setStore(nullptr);
        PreferenceStore::setStandard(nullptr);
    }

    InMemoryPreferenceStore store;
    MapEnvironment env;
};

}  // namespace ventiq
