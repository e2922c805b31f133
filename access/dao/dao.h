// The DAO component in one include: DBEngine, Workspace, Errors, Database,
// TableDefs/TableDef, QueryDef, Recordset, Fields/Field, Indexes/Index.
#pragma once

#include "access/dao/daodatabase.h"
#include "access/dao/daodbengine.h"
#include "access/dao/daorecordset.h"
