/* A stand-in Oracle client library for the loader's tests: it exports every
   function the product resolves (as stubs that are never called) and, unless
   NO_CLIENT_VERSION is defined, OCIClientVersion answering CLIENT_MAJOR.
   CLIENT_MINOR. */
#define STUB(name) \
  int name(void) { \
    return -1;     \
  }

STUB(OCIEnvCreate)
STUB(OCIHandleAlloc)
STUB(OCIHandleFree)
STUB(OCIServerAttach)
STUB(OCIServerDetach)
STUB(OCIAttrSet)
STUB(OCIAttrGet)
STUB(OCILogon)
STUB(OCILogoff)
STUB(OCIErrorGet)
STUB(OCIStmtPrepare)
STUB(OCIStmtExecute)
STUB(OCIStmtFetch)
STUB(OCIParamGet)
STUB(OCIDefineByPos)
STUB(OCIBindByName)
STUB(OCIBindDynamic)
STUB(OCIDescriptorAlloc)
STUB(OCIDescriptorFree)
STUB(OCILobWrite)
STUB(OCILobRead)
STUB(OCILobCharSetForm)
STUB(OCITransCommit)
/* Further entry points a newer product build may resolve. */
STUB(OCIEnvNlsCreate)
STUB(OCIStmtFetch2)
STUB(OCIBindByPos)
STUB(OCIBindArrayOfStruct)
STUB(OCIDefineArrayOfStruct)
STUB(OCITransRollback)
STUB(OCILobGetLength)
STUB(OCILobGetLength2)
STUB(OCILobCharSetId)
STUB(OCILobWrite2)
STUB(OCILobRead2)
STUB(OCILobTrim)
STUB(OCILobTrim2)
STUB(OCILobCreateTemporary)
STUB(OCILobFreeTemporary)
STUB(OCILobIsTemporary)
STUB(OCIServerVersion)
STUB(OCIServerRelease)
STUB(OCIServerRelease2)
STUB(OCIPing)
STUB(OCISessionBegin)
STUB(OCISessionEnd)
STUB(OCIStmtPrepare2)
STUB(OCIStmtRelease)
STUB(OCIStmtGetPieceInfo)
STUB(OCIStmtSetPieceInfo)
STUB(OCIDateTimeConstruct)
STUB(OCIDateTimeGetDate)
STUB(OCIDateTimeGetTime)
STUB(OCIDateTimeFromText)
STUB(OCIDateTimeToText)
STUB(OCINumberFromText)
STUB(OCINumberToText)
STUB(OCIStringPtr)
STUB(OCIStringSize)
STUB(OCIRawPtr)
STUB(OCIRawSize)
STUB(OCINlsGetInfo)
STUB(OCINlsNumericInfoGet)
STUB(OCINlsCharSetNameToId)
STUB(OCIAttrGet2)
STUB(OCIBreak)
STUB(OCIReset)
STUB(OCIHandleAlloc2)
STUB(OCIStmtExecute2)
STUB(OCITransStart)
STUB(OCITransPrepare)
STUB(OCIErrorGet2)
STUB(OCIEnvInit)
STUB(OCIInitialize)
STUB(OCITerminate)

#ifndef NO_CLIENT_VERSION
void OCIClientVersion(int* major, int* minor, int* update, int* patch, int* port) {
  *major = CLIENT_MAJOR;
  *minor = CLIENT_MINOR;
  *update = 0;
  *patch = 0;
  *port = 0;
}
#endif
