#pragma once
// A test suite over TLS: the certificates are made once for the suite, and
// while it runs the TLS code trusts their authority alone.

#include <gtest/gtest.h>

#include <memory>

#include "TempDir.h"
#include "TestCertificates.h"

class TSuiteTls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pki_ = std::make_unique<TTempDir>();
        certificates_ = std::make_unique<TTestCertificates>(pki_->path());
        autorita_ = std::make_unique<TSoloAutorita>(certificates_->Ca());
    }
    static void TearDownTestSuite() {
        autorita_.reset();
        certificates_.reset();
        pki_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(certificates_->Ok()) << "openssl could not make the certificates";
    }

    static inline std::unique_ptr<TTempDir> pki_;
    static inline std::unique_ptr<TTestCertificates> certificates_;
    static inline std::unique_ptr<TSoloAutorita> autorita_;
};
