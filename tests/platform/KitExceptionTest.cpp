#include "platform/KitException.h"
#include "platform/KitUniString.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>

namespace {

template <typename E> void ExpectIdAndName(Int32 id, const char* name) {
	const E e("message", "file.cpp", 12);
	EXPECT_EQ(e.GetId(), id) << name;
	EXPECT_STREQ(e.GetName(), name);
	const Kit::KitException& base = e;
	EXPECT_STREQ(base.GetName(), name); // virtual through the base
	EXPECT_STREQ(base.GetMessage(), "message");
	EXPECT_STREQ(base.GetFileName(), "file.cpp");
	EXPECT_EQ(base.GetLineNumber(), 12u);
	EXPECT_EQ(base.GetCause(), nullptr);
}

TEST(KitException, IdsAndNames) {
	ExpectIdAndName<Kit::RootException>(Kit::ErrRoot, "RootException");
	ExpectIdAndName<Kit::OutOfMemoryException>(Kit::ErrOutOfMemory, "OutOfMemoryException");
	ExpectIdAndName<Kit::LogicErrorException>(Kit::ErrLogicError, "LogicErrorException");
	ExpectIdAndName<Kit::IllegalArgumentException>(Kit::ErrIllegalArgument, "IllegalArgumentException");
	ExpectIdAndName<Kit::RunTimeErrorException>(Kit::ErrRunTimeError, "RunTimeErrorException");
	ExpectIdAndName<Kit::InternalErrorException>(Kit::ErrInternalError, "InternalErrorException");
	ExpectIdAndName<Kit::SynchronizationException>(Kit::ErrSynchronization, "SynchronizationException");

	const Kit::RootException empty;
	EXPECT_FALSE(empty.HasMessage());
	EXPECT_STREQ(empty.GetMessage(), "");
	EXPECT_STREQ(empty.GetFileName(), "");
	const Kit::InternalErrorException fromUni(Kit::UniString("caf\xC3\xA9"), "f", 1);
	EXPECT_STREQ(fromUni.GetMessage(), "caf\xC3\xA9");
}

TEST(KitException, CausesAreCopiedWithTheirTypeAndOutliveTheOriginal) {
	std::unique_ptr<Kit::KitException> outer;
	{
		const Kit::IllegalArgumentException inner("bad index", "Array.cpp", 5);
		const Kit::InternalErrorException middle("read failed", "Reader.cpp", 9, inner);
		outer = std::make_unique<Kit::RunTimeErrorException>("load failed", "Model.cpp", 30, middle);
	}
	const Kit::KitException* middle = outer->GetCause();
	ASSERT_NE(middle, nullptr);
	EXPECT_NE(dynamic_cast<const Kit::InternalErrorException*>(middle), nullptr);
	EXPECT_STREQ(middle->GetMessage(), "read failed");
	const Kit::KitException* inner = middle->GetCause();
	ASSERT_NE(inner, nullptr);
	EXPECT_NE(dynamic_cast<const Kit::IllegalArgumentException*>(inner), nullptr);
	EXPECT_EQ(inner->GetLineNumber(), 5u);
	EXPECT_EQ(inner->GetCause(), nullptr);
	const std::string description = outer->Describe();
	EXPECT_NE(description.find("RunTimeErrorException: load failed (Model.cpp:30)"), std::string::npos);
	EXPECT_NE(description.find("caused by IllegalArgumentException: bad index"), std::string::npos);

	// The "no cause" object is not stored as a cause.
	const Kit::LogicErrorException noCause("x", nullptr, 0, Kit::NoCause());
	EXPECT_EQ(noCause.GetCause(), nullptr);
	EXPECT_EQ(Kit::NoCause().GetId(), Kit::ErrNoCause);
}

TEST(KitException, CloneKeepsTheDynamicTypeAndData) {
	const Kit::IllegalArgumentException original("range", "Body.cpp", 77, Kit::OutOfMemoryException("inner"));
	const Kit::KitException& asBase = original;
	std::unique_ptr<Kit::KitException> clone(asBase.Clone());
	ASSERT_NE(dynamic_cast<Kit::IllegalArgumentException*>(clone.get()), nullptr);
	EXPECT_NE(dynamic_cast<Kit::LogicErrorException*>(clone.get()), nullptr);
	EXPECT_STREQ(clone->GetName(), "IllegalArgumentException");
	EXPECT_STREQ(clone->GetMessage(), "range");
	EXPECT_EQ(clone->GetLineNumber(), 77u);
	EXPECT_EQ(clone->GetId(), Kit::ErrIllegalArgument);
	ASSERT_NE(clone->GetCause(), nullptr);
	EXPECT_NE(dynamic_cast<const Kit::OutOfMemoryException*>(clone->GetCause()), nullptr);

	// Copies thrown by value keep the data as well.
	try {
		throw original;
	} catch (const Kit::LogicErrorException& e) {
		EXPECT_STREQ(e.GetMessage(), "range");
		EXPECT_EQ(e.GetId(), Kit::ErrIllegalArgument);
	}
}

TEST(KitException, OutOfMemoryIsAStandardBadAlloc) {
	try {
		throw Kit::OutOfMemoryException("Cannot add a new fill!", "Attributes.cpp", 3);
	} catch (const std::bad_alloc& e) {
		EXPECT_STREQ(e.what(), "Cannot add a new fill!");
		const auto* kit = dynamic_cast<const Kit::KitException*>(&e);
		ASSERT_NE(kit, nullptr);
		EXPECT_EQ(kit->GetId(), Kit::ErrOutOfMemory);
	}
	try {
		throw Kit::OutOfMemoryException();
	} catch (const std::bad_alloc& e) {
		EXPECT_STREQ(e.what(), "OutOfMemoryException");
	}
	try {
		throw Kit::OutOfMemoryException();
	} catch (const Kit::RootException& e) {
		EXPECT_EQ(e.GetId(), Kit::ErrOutOfMemory);
	}
}

} // namespace
