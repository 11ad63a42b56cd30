// The request context: installed per scope, restored after it, looked up at every use.
#include "objects/aspobject.h"

#include <gtest/gtest.h>

#include "tests/objects/recordingresponse.h"

namespace vorlanth {
namespace {

class MappingServer : public IServer {
 public:
  explicit MappingServer(ZipString root) : FRoot(std::move(root)) {}
  ZipString MapPath(const ZipString& path) override { return FRoot + path; }

 private:
  ZipString FRoot;
};

// Exposes the protected host access for the test.
class HostUser : public TASPMTSObject {
 public:
  using TASPMTSObject::Request;
  using TASPMTSObject::Response;
  using TASPMTSObject::Server;
};

void ExpectMissing(void (*use)(const HostUser&), const std::string& message) {
  HostUser user;
  try {
    use(user);
    FAIL() << "no failure for " << message;
  } catch (const EHostObjectMissing& error) {
    EXPECT_EQ(error.what(), message);
  }
}

TEST(ObjectContext, OutsideARequestEachHostObjectIsMissingByName) {
  ExpectMissing([](const HostUser& user) { user.Server(); },
                "No Server object: this call needs a web request");
  ExpectMissing([](const HostUser& user) { user.Request(); },
                "No Request object: this call needs a web request");
  ExpectMissing([](const HostUser& user) { user.Response(); },
                "No Response object: this call needs a web request");
}

TEST(ObjectContext, ScopesNestAndRestoreThePreviousContext) {
  MappingServer outer(u"/outer/");
  MappingServer inner(u"/inner/");
  testing::RecordingResponse response;
  HostUser user;  // made before any request: nothing is kept from the time of its making
  {
    TObjectContextScope outerScope({&outer, nullptr, &response});
    EXPECT_EQ(user.Server().MapPath(u"."), u"/outer/.");
    {
      TObjectContextScope innerScope({&inner, nullptr, nullptr});
      EXPECT_EQ(user.Server().MapPath(u"."), u"/inner/.");
      EXPECT_THROW(user.Response(), EHostObjectMissing);
    }
    EXPECT_EQ(user.Server().MapPath(u"."), u"/outer/.");
    EXPECT_EQ(&user.Response(), &response);
    EXPECT_THROW(user.Request(), EHostObjectMissing);
  }
  EXPECT_THROW(user.Server(), EHostObjectMissing);
}

}  // namespace
}  // namespace vorlanth
