#pragma once
// A lenient reader of Windows-media metafiles (.asx, .wax, .wvx, .wmx).
// Real files are loosely written XML, so this is a plain tag scanner, not an
// XML parser:
//  - tag and attribute names are case-insensitive;
//  - attribute values may be double-quoted, single-quoted or bare;
//  - text, comments, CDATA, declarations and unknown tags are skipped;
//  - a tag cut off by the end of the text is dropped;
//  - &amp; &lt; &gt; &quot; &apos; and numeric character references are
//    decoded in attribute values.
// It runs in time linear in the text and touches no file.
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace corvane::playlist {

struct AsxItem {
    enum class Kind { Entry, EntryRef };
    Kind kind = Kind::Entry;
    // Entry: the HREF of every REF in order (the first is the wanted one,
    // later ones are fallbacks). EntryRef: its one HREF.
    QStringList hrefs;
    // BASE HREF given inside the ENTRY, empty if none.
    QString base;
};

struct AsxDocument {
    QString base;          // the first BASE HREF outside any ENTRY, empty if none
    QList<AsxItem> items;  // entries and entry references in document order
};

// Parses `text`. Stops once `maxItems` items or references are collected,
// so a huge file costs no more than its useful start.
AsxDocument parseAsx(QStringView text, int maxItems);

// True if `text` starts, after white space, an XML declaration, a document
// type and comments, with an <ASX root tag (any case).
bool startsWithAsxRoot(QStringView text);

// Decodes the XML character references in an attribute value.
QString decodeXmlEntities(QStringView value);

}  // namespace corvane::playlist
