// What the module does when memory runs out in the middle of a copy or a read: for every
// allocation of the operation in turn, that allocation fails; the operation must throw,
// free what it had allocated (LeakSanitizer checks in the sanitized build; the user-data
// objects count themselves in every build) and leave its target as it promises.
#include "FailingAllocator.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/model/DerivedModel.h"
#include "Model3D/core/model/Model3DViews.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/elements/elem/Elem.h"
#include "Model3D/persistence/base/MainContainerBase.h"
#include "fixtures/BodyFixtures.h"
#include "fixtures/ElemFixtures.h"
#include "fixtures/ReaderCases.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace Modeler;
using Bytes = std::vector<char>;

class Container : public MainContainerBase {
public:
	Container() : MainContainerBase(DiskCachingOff) {}
};

// User data that counts its live instances; Clone allocates.
class Counted : public Kit::Object {
public:
	explicit Counted(int value) : value(value) { ++alive; }
	Counted(const Counted& other) : Kit::Object(other), value(other.value) { ++alive; }
	~Counted() override { --alive; }
	Kit::Object* Clone() const override { return new Counted(*this); }

	int value;
	static inline int alive = 0;
};

constexpr UInt32 Keys[] = {1, 2, 3, 5, 8};

template <typename T> void Append(Bytes& bytes, const T& value) {
	const char* p = reinterpret_cast<const char*>(&value);
	bytes.insert(bytes.end(), p, p + sizeof value);
}

// The tag and the user data under Keys (−2 absent, −1 null) of a container.
Bytes UserDataSnapshot(const MainContainerBase& c) {
	Bytes bytes;
	Append(bytes, c.GetUserTag());
	Append(bytes, c.GetUserDataCount());
	for (const UInt32 key : Keys) {
		int value = c.SearchUserDataKey(key) == 0xFFFFFFFF ? -2 : -1;
		if (const auto* obj = dynamic_cast<const Counted*>(c.GetUserData(key))) value = obj->value;
		Append(bytes, value);
	}
	return bytes;
}

template <typename T> Bytes QuickImage(const T& object) {
	IO::MemoryOChannel out;
	object.QuickWrite(out);
	return out.TakeBytes();
}

// A model's user data and, per element, its GUID and its bodies (a deep copy gives each
// body slot a body of its own, so sharing is not compared).
Bytes ModelSnapshot(const Kit::SharedPtr<Model3D>& model) {
	Bytes bytes = UserDataSnapshot(*model);
	const Model3DViewer viewer(model);
	Append(bytes, viewer.GetElemCount());
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const Kit::ConstSharedPtr<Elem> elem = viewer.GetConstElem(i);
		Append(bytes, elem->GetElemId().guid);
		for (UInt32 b = 0; b < elem->GetBodyCount(); ++b) {
			const Bytes image = QuickImage(*elem->GetConstBody(b));
			bytes.insert(bytes.end(), image.begin(), image.end());
		}
	}
	return bytes;
}

void Fill(MainContainerBase& c, UInt32 tag, std::initializer_list<std::pair<UInt32, int>> data) {
	c.SetUserTag(tag);
	for (const auto& [key, value] : data)
		c.SetUserData(key, value < 0 ? nullptr : new Counted(value));
}

// Runs 'operation' on a target made by 'prepare' for every failure point: a failing run
// leaves the target's snapshot as it was, and no user-data object alive that was not
// before; a run that returns gives the source's snapshot.
void ExpectCleanFailures(const std::function<void()>& prepare, const std::function<void()>& operation,
                         const std::function<Bytes()>& targetSnapshot, const std::function<Bytes()>& sourceSnapshot) {
	Bytes before;
	int aliveBefore = 0;
	const FailingAllocator::FailureRun run{[&] {
		                                       prepare();
		                                       before = targetSnapshot();
		                                       aliveBefore = Counted::alive;
	                                       },
	                                       operation,
	                                       [&] { return targetSnapshot() == before && Counted::alive == aliveBefore; },
	                                       [&] { return targetSnapshot() == sourceSnapshot(); }};
	const long failing = FailingAllocator::ForEveryFailurePoint(run, [](const std::string& f) { ADD_FAILURE() << f; });
	if (failing >= 0) {
		EXPECT_GT(failing, 0) << "no allocation failed the operation, so nothing was tested";
	}
}

TEST(AllocationFailure, CopiesFailWholeAndLeakNothing) {
	{ // The container base's user data.
		SCOPED_TRACE("container base");
		Kit::SharedPtr<Container> source(new Container()), target;
		Fill(*source, 7, {{2, 20}, {5, 50}, {8, -1}, {3, 30}});
		ExpectCleanFailures(
		    [&] {
			    target = new Container();
			    Fill(*target, 9, {{1, 10}, {3, 33}});
		    },
		    [&] { DeepCopyMainContainerBase(target, *source); }, [&] { return UserDataSnapshot(*target); },
		    [&] { return UserDataSnapshot(*source); });
	}
	{ // A model's elements with the user data.
		SCOPED_TRACE("model");
		Kit::SharedPtr<Model3D> source = Model3D::New(Attributes::New(), DiskCachingOff, nullptr), target;
		Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
		Model3DOnlyModifier(source).AddElem(pair.first, Kit::Guid());
		Model3DOnlyModifier(source).AddElem(pair.second, Kit::Guid());
		Fill(*source, 3, {{1, 1}, {2, 2}});
		ExpectCleanFailures(
		    [&] {
			    target = Model3D::New(Attributes::New(), DiskCachingOff, nullptr);
			    Model3DOnlyModifier(target).AddElem(Fixtures::MakeElem(Fixtures::MakeCubesBaseElem(1)), Kit::Guid());
			    Fill(*target, 4, {{5, 5}});
		    },
		    [&] { DeepCopyModel3D(target, *source); }, [&] { return ModelSnapshot(target); },
		    [&] { return ModelSnapshot(source); });
	}
	{ // A base element with bodies, hotspots and a light carrying parameters, and an
	  // element over it.
		SCOPED_TRACE("base element and element");
		Kit::SharedPtr<BaseElem> source = Fixtures::MakeCubesBaseElem(2), target;
		source->AddHotspot(Fixtures::MakeHotspot(1, 2, 3));
		LGHT light;
		light.params.SetNumEntry(light.params.PushEntry("power", PropertyList::Num, PropertyList::Scalar), 2.5);
		source->AddLightSource(light);
		ExpectCleanFailures([&] { target = Fixtures::MakeBaseElem({Fixtures::MakeWallWithWindow()}); },
		                    [&] { target->DeepCopy(*source); }, [&] { return QuickImage(*target); },
		                    [&] { return QuickImage(*source); });
		Kit::SharedPtr<Elem> element = Fixtures::MakeElem(source), copy;
		ExpectCleanFailures([&] { copy = Fixtures::MakeElem(Fixtures::MakeCubesBaseElem(1)); },
		                    [&] { copy->DeepCopy(*element); }, [&] { return QuickImage(*copy); },
		                    [&] { return QuickImage(*element); });
	}
}

TEST(AllocationFailure, ReadsFailWholeAndLeakNothing) {
	for (const Fixtures::ReaderCase& c : Fixtures::ReaderCases()) {
		SCOPED_TRACE(c.name);
		std::unique_ptr<Fixtures::ReadTarget> reference = c.makeTarget();
		IO::MemoryIChannel in(c.stream.data(), c.stream.size());
		reference->Read(in);
		std::unique_ptr<Fixtures::ReadTarget> target;
		Bytes afterFailure;
		const FailingAllocator::FailureRun run{[&] {
			                                       target = c.makeTarget();
			                                       afterFailure = Fixtures::SnapshotAfterFailure(c, *target);
		                                       },
		                                       [&] {
			                                       IO::MemoryIChannel stream(c.stream.data(), c.stream.size());
			                                       try {
				                                       target->Read(stream);
			                                       } catch (const Fixtures::ReadRefused& refused) {
				                                       // Readers that report by result code give −7003 for a failure
				                                       // inside.
				                                       if (refused.code == -7003) throw std::bad_alloc();
				                                       throw;
			                                       }
		                                       },
		                                       [&] { return target->Snapshot() == afterFailure; },
		                                       [&] { return target->Snapshot() == reference->Snapshot(); }};
		const long failing =
		    FailingAllocator::ForEveryFailurePoint(run, [](const std::string& f) { ADD_FAILURE() << f; });
		if (failing >= 0 && c.allocatesWithNew) {
			EXPECT_GT(failing, 0) << "no allocation failed the read, so nothing was tested";
		}
	}
}

// A builder handed over to ToBody gives its arrays up only once nothing can fail any more:
// when the body cannot be had (the compressed arrays, the body object, its block), the
// builder is left whole. Both ways are tried: as it is, and compressed.
TEST(AllocationFailure, HandedOverBuilderIsLeftWholeWhenItsBodyCannotBeBuilt) {
	const CandidateBody source(*Fixtures::MakeWallWithWindow());
	CandidateBody wire(source);
	wire.StoreEdge(0, 0, 1, -1, -1, EdgeWire, 1);
	for (const CandidateBody* builder : {&source, static_cast<const CandidateBody*>(&wire)}) {
		const Kit::SharedPtr<Body> expected = builder->ToBody();
		CandidateBody target;
		Kit::SharedPtr<Body> body;
		const FailingAllocator::FailureRun run{
		    [&] {
			    target = *builder;
			    body = nullptr;
		    },
		    [&] { body = std::move(target).ToBody(); }, [&] { return target == *builder; },
		    [&] { return *body == *expected && !target.HasVertices() && !target.HasPolygons(); }};
		const long failing =
		    FailingAllocator::ForEveryFailurePoint(run, [](const std::string& f) { ADD_FAILURE() << f; });
		if (failing >= 0) {
			EXPECT_GT(failing, 0) << "no allocation failed the conversion, so nothing was tested";
		}
	}
}

// SetUserData owns its object from the call on: when the table cannot grow, the object is
// deleted and the table is unchanged.
TEST(AllocationFailure, SetUserDataThatCannotGrowTheTableDeletesTheObject) {
	Kit::SharedPtr<Container> c(new Container());
	Fill(*c, 1, {{1, 1}, {2, 2}, {3, 3}, {5, 5}, {8, 8}}); // the table's first capacity is full
	const Bytes before = UserDataSnapshot(*c);
	const int alive = Counted::alive;
	auto* extra = new Counted(99);
	FailingAllocator::Arm(0);
	EXPECT_THROW(c->SetUserData(13, extra), Kit::OutOfMemoryException);
	FailingAllocator::Disarm();
	EXPECT_EQ(Counted::alive, alive);
	EXPECT_EQ(UserDataSnapshot(*c), before);
	EXPECT_EQ(c->GetUserDataCount(), 5u);
}

} // namespace
