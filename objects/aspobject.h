// The web request's host objects as the scriptable objects see them, and their common base.
#pragma once

#include <cstdint>
#include <span>

#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth {

// The host's Server object.
class IServer {
 public:
  virtual ~IServer() = default;
  // The physical path of a path of the web site ("." is the current script's folder).
  virtual ZipString MapPath(const ZipString& path) = 0;
};

// The host's Request object.
class IRequest {
 public:
  virtual ~IRequest() = default;
  // The text of the server variable `name` (ServerVariables, then the item by name).
  virtual ZipString ServerVariable(const ZipString& name) = 0;
};

// The host's Response object: the headers and body of the current response.
class IResponse {
 public:
  virtual ~IResponse() = default;
  virtual void SetContentType(const ZipString& value) = 0;
  virtual void AddHeader(const ZipString& name, const ZipString& value) = 0;
  virtual void BinaryWrite(std::span<const uint8_t> bytes) = 0;
  // Whether the host holds the body back until the script ends.
  virtual bool Buffer() = 0;
  // Sends what has been written so far to the client.
  virtual void Flush() = 0;
  virtual bool IsClientConnected() = 0;
};

// Every operation of the three interfaces reports a failure of the host as EOleError carrying
// the host's status, description and source.

// The host objects of the request that the calling thread is serving; null where the host
// offers none. The objects are borrowed: the host keeps them alive while they are installed.
struct TObjectContext {
  IServer* Server = nullptr;
  IRequest* Request = nullptr;
  IResponse* Response = nullptr;
};

// Installs a context for the calling thread for the scope's life (one request), and puts the
// previous one back when it ends.
class TObjectContextScope {
 public:
  explicit TObjectContextScope(const TObjectContext& context);
  ~TObjectContextScope();
  TObjectContextScope(const TObjectContextScope&) = delete;
  TObjectContextScope& operator=(const TObjectContextScope&) = delete;

 private:
  TObjectContext FPrevious;
};

// A host object was needed where the calling thread serves no request.
class EHostObjectMissing : public Exception {
 public:
  using Exception::Exception;
};

// Base of the creatable scriptable objects: their access to the current request's host
// objects. Each access looks the object up again in the calling thread's context, so an object
// made in one request and called in another uses the objects of the call's request. Outside a
// request each fails with EHostObjectMissing, e.g. "No Response object: this call needs a web
// request".
class TASPMTSObject {
 protected:
  TASPMTSObject() = default;
  ~TASPMTSObject() = default;

  IServer& Server() const;
  IRequest& Request() const;
  IResponse& Response() const;
};

}  // namespace vorlanth
