// Model creation and registry, state, conditions, stamps and the swap folder.
#include "Model3DTestSupport.h"

#include "fixtures/TempDir.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"
#include "platform/KitUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

using Modeler::Model3D;
using Modeler::Model3DModifier;
using Modeler::Model3DOnlyModifier;
using Modeler::Model3DViewer;
using Modeler::ModStamp;
using ModelTests::NewModel;

namespace {

TEST(Model3DRegistry, SlotsOfDestroyedModelsStayNullAndIndicesKeepGrowing) {
	Kit::SharedPtr<Model3D> a = NewModel();
	Kit::SharedPtr<Model3D> b = NewModel();
	Kit::SharedPtr<Model3D> c = NewModel();
	const UInt32 ia = a->GetGlobalIndex();
	ASSERT_GT(ia, 0u);
	EXPECT_EQ(b->GetGlobalIndex(), ia + 1);
	EXPECT_EQ(c->GetGlobalIndex(), ia + 2);

	const Model3D* destroyed = b.Get();
	b.Clear();
	Kit::Array<Kit::SharedPtr<Model3D>> models = Model3D::GetModels();
	ASSERT_GE(models.GetSize(), ia + 2);
	EXPECT_EQ(models[ia - 1].Get(), a.Get());
	EXPECT_EQ(models[ia].Get(), nullptr);
	EXPECT_EQ(models[ia + 1].Get(), c.Get());
	for (const Kit::SharedPtr<Model3D>& m : models)
		EXPECT_NE(m.Get(), destroyed);
	// The handed-out references count: dropping ours leaves a and c alive.
	EXPECT_EQ(a->GetRefCount(), 2);
	models.Clear();
	EXPECT_EQ(a->GetRefCount(), 1);

	Kit::SharedPtr<Model3D> d = NewModel();
	EXPECT_EQ(d->GetGlobalIndex(), ia + 3);
	EXPECT_EQ(c->GetGlobalIndex(), ia + 2);
}

TEST(Model3DRegistry, GetModelsNeverHandsOutAModelBeingDestroyed) {
	// One thread creates and drops models while another keeps taking references from the
	// registry. A model handed out after its count reached zero would be destroyed twice
	// (the sanitizer build reports that), or show a count below one.
	std::atomic<bool> done{false};
	std::atomic<int> scans{0};
	std::atomic<int> badCounts{0};
	std::thread reader([&] {
		while (!done.load()) {
			Kit::Array<Kit::SharedPtr<Model3D>> models = Model3D::GetModels();
			for (const Kit::SharedPtr<Model3D>& m : models)
				if (m != nullptr && m->GetRefCount() < 1) ++badCounts;
			++scans;
		}
	});
	// Both sides overlap for a bounded number of rounds.
	for (int made = 0; made < 20000 && scans.load() < 2000; ++made)
		NewModel();
	done = true;
	reader.join();
	EXPECT_GT(scans.load(), 0);
	EXPECT_EQ(badCounts.load(), 0);
}

TEST(Model3DState, NewModelStartsWithUnitBoundsAndNothingStamped) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DViewer viewer(model);
	EXPECT_EQ(viewer.GetBounds(), Box3D::Unit());
	EXPECT_TRUE(viewer.GetInfStamp().IsZero());
	EXPECT_TRUE(viewer.GetLastConversionModStamp().IsZero());
	EXPECT_TRUE(viewer.GetGuid().IsNull());
	EXPECT_EQ(viewer.GetElemCount(), 0u);
	EXPECT_TRUE(viewer.IsMainModelViewer());
	EXPECT_TRUE(viewer.IsViewerOf(model));
	EXPECT_FALSE(viewer.HasSameModel(NewModel()));
	EXPECT_TRUE(model->GetSwapFolderLocation().IsEmpty());
	EXPECT_EQ(viewer.GetConstAttributesPtr().Get(), model->GetAttributesPtr().Get());

	Model3DModifier modifier(model);
	EXPECT_TRUE(modifier == Model3DModifier(model));
	EXPECT_FALSE(modifier == Model3DModifier(NewModel()));
	EXPECT_EQ(modifier.GetModel3D(), model.Get());
	EXPECT_THROW(Model3DViewer(Kit::ConstSharedPtr<Model3D>()), Kit::IllegalArgumentException);
	EXPECT_THROW(Model3DOnlyModifier(Kit::SharedPtr<Model3D>()), Kit::IllegalArgumentException);
}

TEST(Model3DConditions, OnlyTheFourStoredConditionsKeepValuesInBlockOrder) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DOnlyModifier modifier(model);
	modifier.SetCondition(Model3D::Condition1, 11);
	modifier.SetCondition(Model3D::Condition5, 55);
	modifier.SetCondition(Model3D::Condition6, 66);
	modifier.SetCondition(Model3D::Condition18, 188);
	modifier.SetProgressCondition(Model3D::Condition18, -3);
	modifier.SetCondition(Model3D::Condition(2), 99);
	modifier.SetProgressCondition(Model3D::Condition(7), 99);

	Model3DViewer viewer(model);
	EXPECT_EQ(viewer.GetCondition(Model3D::Condition(2)), 0);
	EXPECT_EQ(viewer.GetProgressCondition(Model3D::Condition(7)), 0);
	Int16 conditions[4];
	Int16 progress[4];
	viewer.GetConditions(reinterpret_cast<char*>(conditions), reinterpret_cast<char*>(progress));
	EXPECT_EQ(conditions[0], 11);
	EXPECT_EQ(conditions[1], 55);
	EXPECT_EQ(conditions[2], 66);
	EXPECT_EQ(conditions[3], 188);
	EXPECT_EQ(progress[3], -3);
	EXPECT_EQ(progress[0] | progress[1] | progress[2], 0);

	// The blocks go back in whole; null blocks are skipped.
	const Int16 newConditions[4] = {1, 2, 3, 4};
	model->SetConditions(reinterpret_cast<const char*>(newConditions), nullptr);
	EXPECT_EQ(viewer.GetCondition(Model3D::Condition6), 3);
	EXPECT_EQ(viewer.GetProgressCondition(Model3D::Condition18), -3);
	viewer.GetConditions(nullptr, nullptr);

	modifier.IncrementModelDataHoleCount();
	model->SetLastConversionStamp(77);
	model->ClearAllConditions();
	viewer.GetConditions(reinterpret_cast<char*>(conditions), reinterpret_cast<char*>(progress));
	for (int i = 0; i < 4; ++i) {
		EXPECT_EQ(conditions[i], 0);
		EXPECT_EQ(progress[i], 0);
	}
	EXPECT_EQ(viewer.GetModelDataHoleCount(), 0u);
	EXPECT_EQ(viewer.GetLastConversionStamp(), 0u);
}

TEST(Model3DConditions, DerivedModelsReadAndWriteTheRootOfTheirChain) {
	Kit::SharedPtr<Model3D> root = NewModel();
	Kit::SharedPtr<Model3D> derived = NewModel(root);
	Kit::SharedPtr<Model3D> derived2 = NewModel(derived);
	EXPECT_FALSE(Model3DViewer(derived2).IsMainModelViewer());

	derived2->SetCondition(Model3D::Condition5, 5);
	EXPECT_EQ(root->GetCondition(Model3D::Condition5), 5);
	EXPECT_EQ(Model3DViewer(derived).GetCondition(Model3D::Condition5), 5);

	const Int16 block[4] = {7, 8, 9, 10};
	Model3DOnlyModifier(derived2).SetConditions(reinterpret_cast<const char*>(block),
	                                            reinterpret_cast<const char*>(block));
	EXPECT_EQ(root->GetProgressCondition(Model3D::Condition18), 10);

	// The data-hole count and stamp cleared are the root's; the derived model keeps its own.
	Model3DOnlyModifier(root).IncrementModelDataHoleCount();
	Model3DOnlyModifier(derived2).IncrementModelDataHoleCount();
	derived2->ClearAllConditions();
	EXPECT_EQ(root->GetCondition(Model3D::Condition1), 0);
	EXPECT_EQ(root->GetDataHoleCount(), 0u);
	EXPECT_EQ(derived2->GetDataHoleCount(), 1u);
}

TEST(Model3DStamps, InfStampGivesANewGuidEachTimeAndTheNullGuidForZero) {
	Kit::SharedPtr<Model3D> model = NewModel();
	ModStamp s;
	s.Generate();
	model->SetInfStamp(s);
	const Kit::Guid first = model->GetGuid();
	EXPECT_FALSE(first.IsNull());
	EXPECT_EQ(model->GetInfStamp(), s);
	model->SetInfStamp(s);
	EXPECT_NE(model->GetGuid(), first);
	model->SetInfStamp(ModStamp());
	EXPECT_TRUE(model->GetGuid().IsNull());
	EXPECT_TRUE(model->GetInfStamp().IsZero());
}

TEST(Model3DStamps, ModelSetsTheRootsInfStampAndTheModifierItsOwn) {
	Kit::SharedPtr<Model3D> root = NewModel();
	Kit::SharedPtr<Model3D> derived = NewModel(root);
	ModStamp s;
	s.Generate();
	derived->SetInfStamp(s);
	EXPECT_EQ(root->GetInfStamp(), s);
	EXPECT_FALSE(root->GetGuid().IsNull());
	EXPECT_TRUE(derived->GetInfStamp().IsZero());
	EXPECT_TRUE(derived->GetGuid().IsNull());

	const Kit::Guid rootGuid = root->GetGuid();
	ModStamp t;
	t.Generate();
	Model3DOnlyModifier(derived).SetInfStamp(t);
	EXPECT_EQ(derived->GetInfStamp(), t);
	EXPECT_FALSE(derived->GetGuid().IsNull());
	EXPECT_EQ(root->GetInfStamp(), s);
	EXPECT_EQ(root->GetGuid(), rootGuid);
}

TEST(Model3DStamps, PushAndResetMoveTheConversionStamps) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DOnlyModifier modifier(model);
	OUSetProjectModiStamp(4242);
	modifier.PushLastConversionStamp(true);
	const ModStamp first = model->GetLastConversionModStamp();
	EXPECT_FALSE(first.IsZero());
	EXPECT_TRUE(model->GetPrevConversionModStamp().IsZero());
	EXPECT_EQ(model->GetLastConversionStamp(), 4242u);
	EXPECT_EQ(model->GetInfStamp(), first);
	const Kit::Guid guid = model->GetGuid();
	EXPECT_FALSE(guid.IsNull());

	modifier.PushLastConversionStamp(false);
	EXPECT_TRUE(model->GetPrevConversionModStamp().IsZero());
	EXPECT_GT(model->GetLastConversionModStamp(), first);
	modifier.PushLastConversionStamp(true);
	const ModStamp third = model->GetLastConversionModStamp();
	EXPECT_GT(model->GetPrevConversionModStamp(), first);

	modifier.ResetLastConversionStamp();
	EXPECT_EQ(model->GetPrevConversionModStamp(), third);
	EXPECT_TRUE(model->GetLastConversionModStamp().IsZero());
	EXPECT_EQ(model->GetLastConversionStamp(), 0u);
	EXPECT_EQ(model->GetInfStamp(), third);
	OUSetProjectModiStamp(0);
}

bool BadFolderPattern(char* buffer, Int32 listId, Int32 index, Int64, void*) {
	if (listId != 10000 || index != 49) return false;
	std::strcpy(buffer, "Model3D-%s");
	return true;
}

TEST(Model3DSwapFolder, EachModelGetsItsOwnFolderRemovedWithIt) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<Model3D> a = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	Kit::SharedPtr<Model3D> b = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	const std::filesystem::path folderA = a->GetSwapFolderLocation().ToUtf8();
	const std::filesystem::path folderB = b->GetSwapFolderLocation().ToUtf8();
	EXPECT_EQ(folderA.filename().string(), "Model3D-" + std::to_string(a->GetGlobalIndex() + 1));
	EXPECT_TRUE(std::filesystem::is_directory(folderA));
	EXPECT_TRUE(std::filesystem::is_directory(folderB));
	EXPECT_NE(folderA, folderB);

	// Making b's folder again after registration must not take a's folder (and delete
	// what a keeps there).
	std::filesystem::path kept = folderA / "kept";
	std::filesystem::create_directory(kept);
	b->CreateSwapFolder();
	EXPECT_EQ(std::filesystem::path(b->GetSwapFolderLocation().ToUtf8()), folderB);
	EXPECT_TRUE(std::filesystem::exists(kept));

	a.Clear();
	EXPECT_FALSE(std::filesystem::exists(folderA));
	EXPECT_TRUE(std::filesystem::exists(folderB));

	// A pattern that does not take one unsigned number is refused.
	OUSetFixStringProvider(BadFolderPattern, nullptr);
	try {
		Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
		ADD_FAILURE() << "a bad folder pattern was accepted";
	} catch (const Kit::RunTimeErrorException& e) {
		EXPECT_STREQ(e.GetMessage(), "Error in Model3D::CreateSwapFolder");
	}
	OUSetFixStringProvider(nullptr, nullptr);
}

} // namespace

namespace {

TEST(Model3DSwapFolder, WriteAllOnAPurgedModelLosesNothing) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<Model3D> model = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	Model3DModifier m(model);
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	m.AddElem(pair.first, Kit::NULLGuid);
	m.AddElem(pair.second, Kit::NULLGuid);
	model->Purge();
	// The cache file is the only copy of the elements now; writing must not empty it.
	model->WriteAll();
	model->Purge();
	ASSERT_EQ(m.GetElemCount(), 2u);
	EXPECT_EQ(m.GetElemIdx(pair.second->GetElemId().guid), 1);
	EXPECT_TRUE(*m.GetConstElem(0) == *pair.first);
	EXPECT_EQ(m.GetConstElem(0)->GetConstBaseElem(), m.GetConstElem(1)->GetConstBaseElem());
}

TEST(Model3DSwapFolder, PurgedElementsComeBackOnTheNextAccess) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<Model3D> model = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	Model3DModifier m(model);
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	m.AddElem(pair.first, Kit::NULLGuid);
	m.AddElem(ModelTests::ElemWithGuid(Kit::Guid::Generate(), true), pair.first->GetElemId().guid);
	m.AddElem(pair.second, Kit::NULLGuid);
	m.DeleteElem(2);

	const std::filesystem::path cacheFile =
	    std::filesystem::path(model->GetSwapFolderLocation().ToUtf8()) /
	    Modeler::ElemContainer::GetCacheFileName(Int32(model->GetGlobalIndex())).ToUtf8();
	model->WriteAll();
	EXPECT_TRUE(std::filesystem::exists(cacheFile));
	EXPECT_EQ(m.GetConstElem(0), pair.first);

	model->Purge();
	EXPECT_EQ(m.GetElemCount(), 3u);
	// Any access restores: lookups, parents, placeholders and sharing are back.
	EXPECT_EQ(m.GetElemIdx(pair.first->GetElemId().guid), 0);
	EXPECT_NE(m.GetConstElem(0), pair.first);
	EXPECT_TRUE(*m.GetConstElem(0) == *pair.first);
	EXPECT_EQ(m.GetParentElemIdx(1), 0);
	EXPECT_TRUE(m.GetConstElem(2)->IsInvalid());
	EXPECT_EQ(m.GetConstElem(0)->GetConstBaseElem(), m.GetConstElem(2)->GetConstBaseElem());
	EXPECT_EQ(m.GetBind(2, 0), 5u);

	// Without disk caching a purge keeps everything in memory.
	Kit::SharedPtr<Model3D> memoryOnly = ModelTests::NewModel();
	Model3DModifier n(memoryOnly);
	n.AddElem(pair.first, Kit::NULLGuid);
	memoryOnly->Purge();
	EXPECT_EQ(n.GetConstElem(0), pair.first);
}

// A vanished cache file: every access fails with the file and the cause, the failure run
// is logged once, the model says it is purged and that the restore failed, and once the
// file is back the next access restores and clears the report. A new run logs again.
TEST(Model3DSwapFolder, FailedRestoreIsRetriedReportedOnceAndVisible) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<Model3D> model = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	Model3DModifier m(model);
	const Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	m.AddElem(pair.first, Kit::NULLGuid);
	const std::filesystem::path file =
	    std::filesystem::path(model->GetSwapFolderLocation().ToUtf8()) /
	    Modeler::ElemContainer::GetCacheFileName(Int32(model->GetGlobalIndex())).ToUtf8();
	const std::filesystem::path aside = file.string() + ".aside";
	auto failureLines = [] {
		int n = 0;
		for (const Kit::LogLine& line : Kit::logger.GetLines())
			n += line.text.find("ReadFromFile failed") != std::string::npos ? 1 : 0;
		return n;
	};
	Kit::logger.Clear();
	for (int run = 1; run <= 2; ++run) {
		model->Purge();
		std::filesystem::rename(file, aside);
		for (int attempt = 0; attempt < 3; ++attempt) {
			try {
				m.GetConstElem(0);
				ADD_FAILURE() << "restored without a cache file";
			} catch (const Kit::InternalErrorException& e) {
				const std::string message = e.GetMessage();
				EXPECT_NE(message.find(file.string()), std::string::npos) << message;
				EXPECT_NE(message.find("no such file"), std::string::npos) << message;
			}
			EXPECT_TRUE(model->IsPurged());
			EXPECT_TRUE(model->HasRestoreFailed());
		}
		EXPECT_EQ(failureLines(), run);
		std::filesystem::rename(aside, file);
		EXPECT_TRUE(*m.GetConstElem(0) == *pair.first);
		EXPECT_FALSE(model->IsPurged());
		EXPECT_FALSE(model->HasRestoreFailed());
	}
}

} // namespace
