/* The published OCI C types, constants, callback types and prototypes of every
 * OCI function the product calls (and the few test tools use), declared from
 * Oracle's documentation so that no vendor header is needed. Plain C, usable
 * from C and C++; shared by the product's Oracle layer and the embedded engine
 * (liboraemb.so), which exports exactly these functions with C linkage. */
#ifndef OCI_OCI_TYPES_H
#define OCI_OCI_TYPES_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Integer types of oratypes.h (LP64 Linux). */
typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef unsigned long long ub8;
typedef signed long long sb8;
typedef signed int sword;
typedef unsigned int uword;
typedef unsigned char OraText;
#ifndef dvoid
#define dvoid void
#endif

/* Opaque handles and descriptors. */
typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCIServer OCIServer;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCISession OCISession;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIParam OCIParam;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCIDateTime OCIDateTime;

/* Handle types. */
#define OCI_HTYPE_ENV 1
#define OCI_HTYPE_ERROR 2
#define OCI_HTYPE_SVCCTX 3
#define OCI_HTYPE_STMT 4
#define OCI_HTYPE_BIND 5
#define OCI_HTYPE_DEFINE 6
#define OCI_HTYPE_DESCRIBE 7
#define OCI_HTYPE_SERVER 8
#define OCI_HTYPE_SESSION 9
#define OCI_HTYPE_TRANS 10

/* Descriptor types. */
#define OCI_DTYPE_LOB 50
#define OCI_DTYPE_SNAP 51
#define OCI_DTYPE_PARAM 53
#define OCI_DTYPE_ROWID 54
/* TIMESTAMP values: a descriptor that an SQLT_TIMESTAMP define fills. */
#define OCI_DTYPE_TIMESTAMP 68

/* Attributes (the meaning depends on the handle type they are read from). */
#define OCI_ATTR_DATA_SIZE 1
#define OCI_ATTR_DATA_TYPE 2
#define OCI_ATTR_NAME 4
#define OCI_ATTR_PRECISION 5
#define OCI_ATTR_SCALE 6
#define OCI_ATTR_IS_NULL 7
#define OCI_ATTR_SERVER 6
#define OCI_ATTR_SESSION 7
#define OCI_ATTR_ROW_COUNT 9
#define OCI_ATTR_PREFETCH_ROWS 11
#define OCI_ATTR_PREFETCH_MEMORY 13
#define OCI_ATTR_PARAM_COUNT 18
#define OCI_ATTR_STMT_TYPE 24
#define OCI_ATTR_CHARSET_ID 31
#define OCI_ATTR_CHARSET_FORM 32
#define OCI_ATTR_ROWS_RETURNED 42
#define OCI_ATTR_NUM_DML_ERRORS 73
#define OCI_ATTR_DML_ROW_OFFSET 74
#define OCI_ATTR_LOBEMPTY 45
#define OCI_ATTR_PARSE_ERROR_OFFSET 129
#define OCI_ATTR_ENV_UTF16 209
#define OCI_ATTR_CHAR_USED 285
#define OCI_ATTR_CHAR_SIZE 286
/* Array DML row counts (client 12.1 and later): a ub8 array, one count per
 * iteration, after an execute in OCI_RETURN_ROW_COUNT_ARRAY mode. */
#define OCI_ATTR_UB8_ROW_COUNT 457
#define OCI_ATTR_DML_ROW_COUNT_ARRAY 469
/* The server side size of a bind in bytes. */
#define OCI_ATTR_MAXDATA_SIZE 33

/* Statement types (OCI_ATTR_STMT_TYPE). */
#define OCI_STMT_SELECT 1
#define OCI_STMT_UPDATE 2
#define OCI_STMT_DELETE 3
#define OCI_STMT_INSERT 4
#define OCI_STMT_CREATE 5
#define OCI_STMT_DROP 6
#define OCI_STMT_ALTER 7
#define OCI_STMT_BEGIN 8
#define OCI_STMT_DECLARE 9

/* Modes and options. */
#define OCI_DEFAULT 0x00000000
#define OCI_THREADED 0x00000001
#define OCI_OBJECT 0x00000002
#define OCI_UTF16 0x00004000
#define OCI_UTF16ID 1000
#define OCI_UCS2ID 1000
#define OCI_NTV_SYNTAX 1
#define OCI_V7_SYNTAX 2
#define OCI_V8_SYNTAX 3
#define OCI_DESCRIBE_ONLY 0x00000010
#define OCI_COMMIT_ON_SUCCESS 0x00000020
#define OCI_BATCH_ERRORS 0x00000080
#define OCI_RETURN_ROW_COUNT_ARRAY 0x00100000
#define OCI_PARSE_ONLY 0x00000100
#define OCI_DATA_AT_EXEC 0x00000002
#define OCI_FETCH_NEXT 0x00000002
#define OCI_ONE_PIECE 0
#define OCI_FIRST_PIECE 1
#define OCI_NEXT_PIECE 2
#define OCI_LAST_PIECE 3
#define SQLCS_IMPLICIT 1
#define SQLCS_NCHAR 2
#define OCI_IND_NOTNULL 0
#define OCI_IND_NULL (-1)

/* Return codes. */
#define OCI_SUCCESS 0
#define OCI_SUCCESS_WITH_INFO 1
#define OCI_NEED_DATA 99
#define OCI_NO_DATA 100
#define OCI_ERROR (-1)
#define OCI_INVALID_HANDLE (-2)
#define OCI_STILL_EXECUTING (-3123)
#define OCI_CONTINUE (-24200)

/* External and internal data type codes. */
#define SQLT_CHR 1
#define SQLT_NUM 2
#define SQLT_INT 3
#define SQLT_FLT 4
#define SQLT_STR 5
#define SQLT_VNU 6
#define SQLT_PDN 7
#define SQLT_LNG 8
#define SQLT_VCS 9
#define SQLT_RID 11
#define SQLT_DAT 12
#define SQLT_BIN 23
#define SQLT_LBI 24
#define SQLT_UIN 68
#define SQLT_LVC 94
#define SQLT_LVB 95
#define SQLT_AFC 96
#define SQLT_RDD 104
#define SQLT_CLOB 112
#define SQLT_BLOB 113

/* Describe codes of column types beyond the classic set: BINARY_FLOAT and
 * BINARY_DOUBLE, ANSI DATE, timestamps and intervals (internal and external
 * codes), named types (XMLType), BFILE and BOOLEAN. */
#define SQLT_IBFLOAT 100
#define SQLT_IBDOUBLE 101
#define SQLT_NTY 108
#define SQLT_BFILE 114
#define SQLT_DATE 184
#define SQLT_TIMESTAMP 187
#define SQLT_TIMESTAMP_TZ 188
#define SQLT_INTERVAL_YM 189
#define SQLT_INTERVAL_DS 190
#define SQLT_TIMESTAMP_LTZ 232
#define SQLT_BOL 252

/* Session facts: the identifier limit of the service context (client 12.2
 * and later). */
#define OCI_ATTR_MAX_IDENTIFIER_LEN 500

/* Callbacks. */
typedef sb4 (*OCICallbackInBind)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                 ub4* alenp, ub1* piecep, void** indp);
typedef sb4 (*OCICallbackOutBind)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4** alenpp, ub1* piecep, void** indpp, ub2** rcodepp);
typedef sb4 (*OCICallbackLobWrite)(void* ctxp, void* bufp, ub4* lenp, ub1* piecep);
typedef sb4 (*OCICallbackLobRead)(void* ctxp, const void* bufp, ub4 len, ub1 piece);

/* Functions the product calls. */
sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void* ctxp, void* (*malocfp)(void* ctxp, size_t size),
                   void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                   void (*mfreefp)(void* ctxp, void* memptr), size_t xtramem_sz, void** usrmempp);
sword OCIHandleAlloc(const void* parenth, void** hndlpp, const ub4 type, const size_t xtramem_sz,
                     void** usrmempp);
sword OCIHandleFree(void* hndlp, const ub4 type);
sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                      ub4 mode);
sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);
sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp);
sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp);
sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username,
               ub4 uname_len, const OraText* password, ub4 passwd_len, const OraText* dbname,
               ub4 dbname_len);
sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp);
sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                  ub4 bufsiz, ub4 type);
sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                     ub4 language, ub4 mode);
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);
sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos);
sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                     sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode);
sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                    sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp,
                     void* octxp, OCICallbackOutBind ocbfp);
sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                         const size_t xtramem_sz, void** usrmempp);
sword OCIDescriptorFree(void* descp, const ub4 type);
sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                  void* bufp, ub4 buflen, ub1 piece, void* ctxp, OCICallbackLobWrite cbfp, ub2 csid,
                  ub1 csfrm);
sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                 void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm);
sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr, ub1* mnth,
                         ub1* dy);
sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm,
                         ub1* ss, ub4* fsec);
sword OCIDateTimeConstruct(void* hndl, OCIError* err, OCIDateTime* datetime, sb2 yr, ub1 mnth,
                           ub1 dy, ub1 hr, ub1 mm, ub1 ss, ub4 fsec, OraText* timezone,
                           size_t timezone_length);

/* Further entry points for test tools and a modern build of the Oracle layer. */
sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp,
                      void* (*malocfp)(void* ctxp, size_t size),
                      void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                      void (*mfreefp)(void* ctxp, void* memptr), size_t xtramem_sz, void** usrmempp,
                      ub2 charset, ub2 ncharset);
sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 scrollOffset,
                    ub4 mode);
sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                   sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                   ub4* curelep, ub4 mode);
sword OCIBindByPos2(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                    sb8 value_sz, ub2 dty, void* indp, ub4* alenp, ub2* rcodep, ub4 maxarr_len,
                    ub4* curelep, ub4 mode);
sword OCIBindByName2(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                     sb4 placeh_len, void* valuep, sb8 value_sz, ub2 dty, void* indp, ub4* alenp,
                     ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                           ub4 rcskip);
sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub2* csid);
sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype);
/* The server's banner and release, packed as major << 24 | minor << 20 |
 * update << 12 | port release << 8 | port update (no privilege needed). */
sword OCIServerRelease(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype,
                       ub4* version);
/* The client library's own release (Oracle 10.2 and later). */
void OCIClientVersion(sword* major_version, sword* minor_version, sword* update_num,
                      sword* patch_num, sword* port_update_num);

#ifdef __cplusplus
}
#endif

#endif /* OCI_OCI_TYPES_H */
