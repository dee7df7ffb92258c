// The part of the note store's interface that this client uses, with the
// service's own field ids. Fields nobody here reads or writes are left out;
// a reader skips fields it does not know, so answers still decode.

namespace cpp edam

typedef string Guid
typedef i64 Timestamp

enum EDAMErrorCode {
  UNKNOWN = 1,
  BAD_DATA_FORMAT = 2,
  PERMISSION_DENIED = 3,
  INTERNAL_ERROR = 4,
  DATA_REQUIRED = 5,
  LIMIT_REACHED = 6,
  QUOTA_REACHED = 7,
  INVALID_AUTH = 8,
  AUTH_EXPIRED = 9,
  DATA_CONFLICT = 10,
  ENML_VALIDATION = 11,
  SHARD_UNAVAILABLE = 12,
  LEN_TOO_SHORT = 13,
  LEN_TOO_LONG = 14,
  TOO_FEW = 15,
  TOO_MANY = 16,
  UNSUPPORTED_OPERATION = 17,
  TAKEN_DOWN = 18,
  RATE_LIMIT_REACHED = 19
}

exception EDAMUserException {
  1: required EDAMErrorCode errorCode
  2: optional string parameter
}

exception EDAMSystemException {
  1: required EDAMErrorCode errorCode
  2: optional string message
  3: optional i32 rateLimitDuration
}

exception EDAMNotFoundException {
  1: optional string identifier
  2: optional string key
}

struct SyncState {
  1: required Timestamp currentTime
  2: required Timestamp fullSyncBefore
  3: required i32 updateCount
  4: optional i64 uploaded
}

struct Data {
  1: optional binary bodyHash
  2: optional i32 size
  3: optional binary body
}

struct ResourceAttributes {
  10: optional string fileName
  11: optional bool attachment
}

struct Resource {
  1: optional Guid guid
  2: optional Guid noteGuid
  3: optional Data data
  4: optional string mime
  11: optional ResourceAttributes attributes
}

struct NoteAttributes {
  16: optional string sourceApplication
}

struct Note {
  1: optional Guid guid
  2: optional string title
  3: optional string content
  4: optional binary contentHash
  5: optional i32 contentLength
  6: optional Timestamp created
  7: optional Timestamp updated
  10: optional i32 updateSequenceNum
  11: optional string notebookGuid
  13: optional list<Resource> resources
  14: optional NoteAttributes attributes
}

struct Notebook {
  1: optional Guid guid
  2: optional string name
  5: optional i32 updateSequenceNum
  6: optional bool defaultNotebook
  7: optional Timestamp serviceCreated
  8: optional Timestamp serviceUpdated
  11: optional bool published
  12: optional string stack
}

struct SyncChunk {
  1: required Timestamp currentTime
  2: optional i32 chunkHighUSN
  3: required i32 updateCount
  5: optional list<Notebook> notebooks
  10: optional list<Guid> expungedNotebooks
}

struct SyncChunkFilter {
  1: optional bool includeNotes
  2: optional bool includeNoteResources
  3: optional bool includeNoteAttributes
  4: optional bool includeNotebooks
  5: optional bool includeTags
  6: optional bool includeSearches
  7: optional bool includeResources
  8: optional bool includeLinkedNotebooks
  9: optional bool includeExpunged
  10: optional bool includeNoteApplicationDataFullMap
  11: optional string requireNoteContentClass
  12: optional bool includeResourceApplicationDataFullMap
  13: optional bool includeNoteResourceApplicationDataFullMap
  15: optional set<string> notebookGuids
  16: optional bool omitSharedNotebooks
  17: optional bool includeSharedNotes
}

service NoteStore {
  SyncState getSyncState(1: string authenticationToken)
    throws (1: EDAMUserException userException, 2: EDAMSystemException systemException)

  SyncChunk getFilteredSyncChunk(1: string authenticationToken, 2: i32 afterUSN, 3: i32 maxEntries,
                                 4: SyncChunkFilter filter)
    throws (1: EDAMUserException userException, 2: EDAMSystemException systemException)

  Notebook createNotebook(1: string authenticationToken, 2: Notebook notebook)
    throws (1: EDAMUserException userException, 2: EDAMSystemException systemException,
            3: EDAMNotFoundException notFoundException)

  Note createNote(1: string authenticationToken, 2: Note note)
    throws (1: EDAMUserException userException, 2: EDAMSystemException systemException,
            3: EDAMNotFoundException notFoundException)
}
