#pragma once
// Umbrella header of libvantrel: everything a program using the library needs.
//
// Parts of the library arrive one by one; each header is taken when it is installed, so a
// program built against an older installation still compiles.

#if __has_include(<vantrel/framework/SysUtils.h>)
#include <vantrel/framework/SysUtils.h>
#endif
#if __has_include(<vantrel/framework/DBError.h>)
#include <vantrel/framework/DBError.h>
#endif
#if __has_include(<vantrel/framework/Variant.h>)
#include <vantrel/framework/Variant.h>
#endif
#if __has_include(<vantrel/framework/Classes.h>)
#include <vantrel/framework/Classes.h>
#endif
#if __has_include(<vantrel/framework/Streaming.h>)
#include <vantrel/framework/Streaming.h>
#endif
#if __has_include(<vantrel/framework/SyncObjs.h>)
#include <vantrel/framework/SyncObjs.h>
#endif
#if __has_include(<vantrel/framework/Registry.h>)
#include <vantrel/framework/Registry.h>
#endif
#if __has_include(<vantrel/framework/AppServices.h>)
#include <vantrel/framework/AppServices.h>
#endif
#if __has_include(<vantrel/framework/DB.h>)
#include <vantrel/framework/DB.h>
#endif
#if __has_include(<vantrel/framework/DBFields.h>)
#include <vantrel/framework/DBFields.h>
#endif

#include <vantrel/core/ODBCError.h>
#if __has_include(<vantrel/core/ODBCDatabase.h>)
#include <vantrel/core/ODBCDatabase.h>
#endif
#if __has_include(<vantrel/core/ODBCDataSet.h>)
#include <vantrel/core/ODBCDataSet.h>
#endif
