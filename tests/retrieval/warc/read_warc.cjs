// Reads a .warc.gz with warcio, an archive reader written by others, and prints one line per record,
// then reads it again with node-warc, a second such reader, which must see the same records whole
// (nodeWarcOk);
// tab-separated name=value pairs, on what it found: its fields, whether its digests match the bytes the
// reader gave, and its HTTP status and decoded body. Any record the reader cannot parse ends the script
// with an error.
// Usage: node read_warc.cjs <npm folder> <file.warc.gz>
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { WARCParser } = require(path.join(process.argv[2], 'node_modules', 'warcio'));
const RecordBuilder = require(path.join(process.argv[2], 'node_modules', 'node-warc', 'lib', 'warcRecord', 'builder'));
const zlib = require('zlib');

function base32(bytes) {
  const alphabet = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ234567';
  let bits = 0, value = 0, text = '';
  for (const byte of bytes) {
    value = (value << 8) | byte;
    bits += 8;
    while (bits >= 5) {
      text += alphabet[(value >>> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  if (bits > 0) text += alphabet[(value << (5 - bits)) & 31];
  while (text.length % 8) text += '=';
  return text;
}

// Values never hold tabs or line ends, whatever the archive says.
function Line(seen) {
  const text = (value) => {
    if (value === true) return '1';
    if (value === false) return '0';
    if (value === null || value === undefined) return '';
    if (Array.isArray(value)) return value.join(',');
    return String(value).replace(/[\t\r\n]/g, ' ');
  };
  return Object.entries(seen).map(([name, value]) => name + '=' + text(value)).join('\t');
}

const sha1 = (bytes) => 'sha1:' + base32(crypto.createHash('sha1').update(bytes).digest());

// The first pass takes each record's block raw, the second lets the reader parse its HTTP message.
async function main() {
  const file = process.argv[3];
  const raw = [];
  for await (const record of WARCParser.iterRecords(fs.createReadStream(file), { parseHttp: false })) {
    const block = Buffer.from(await record.readFully(false));
    const headEnd = block.indexOf('\r\n\r\n');
    const payload = headEnd < 0 ? Buffer.alloc(0) : block.subarray(headEnd + 4);
    raw.push({
      version: record.warcHeaders.protocol,
      type: record.warcType,
      id: record.warcHeader('WARC-Record-ID'),
      uri: record.warcTargetURI || '',
      date: record.warcDate || '',
      contentType: record.warcContentType || '',
      concurrentTo: record.warcConcurrentTo || [],
      profile: record.warcHeader('WARC-Profile') || '',
      refersTo: record.warcRefersToTargetURI || '',
      truncated: record.warcHeader('WARC-Truncated') || '',
      infoId: record.warcHeader('WARC-Warcinfo-ID') || '',
      blockDigestOk: record.warcBlockDigest === sha1(block),
      payloadDigest: record.warcPayloadDigest || '',
      payloadDigestOk: record.warcPayloadDigest ? record.warcPayloadDigest === sha1(payload) : null,
      blockText: record.warcType === 'warcinfo' ? block.toString('latin1') : '',
    });
  }
  // node-warc gives each record's block whole, as the file holds it. Its stream parsers end every
  // stream with a callback called twice, which Node 20 refuses, so its record builder is fed here
  // line by line, as those parsers feed it.
  const second = [];
  const unzipped = zlib.gunzipSync(fs.readFileSync(file));
  const builder = new RecordBuilder();
  let offset = 0;
  for (let end; (end = unzipped.indexOf('\r\n', offset)) !== -1; offset = end + 2) {
    const record = builder.consumeLine(unzipped.subarray(offset, end + 2));
    if (record) second.push(record);
  }
  for (const record of [builder.consumeLine(unzipped.subarray(offset)), builder.buildRecord()]) {
    if (record) second.push(record);
  }
  if (second.length !== raw.length) throw new Error('node-warc saw ' + second.length + ' records, warcio ' + raw.length);
  second.forEach((record, i) => {
    const content = Buffer.isBuffer(record.content) ? record.content : Buffer.alloc(0);
    // It splits an HTTP message into its head and its payload, to which it leaves the first line end
    // of the record separator; a warcinfo block stays whole. Its line parser takes the empty lines
    // that end a chunked body for separators, so chunked payloads are left to warcio's check above.
    const whole = record.warcType === 'warcinfo';
    const headers = (record.httpInfo && record.httpInfo.headers) || {};
    const chunked = Object.entries(headers).some(
        ([name, value]) => name.toLowerCase() === 'transfer-encoding' && /chunked/i.test(String(value)));
    const payload = !whole && content.length >= 2 && content.subarray(-2).toString('latin1') === '\r\n'
                        ? content.subarray(0, -2) : content;
    raw[i].nodeWarcOk = record.warcRecordID === raw[i].id && record.warcType === raw[i].type &&
                        (!whole || (Number(record.warcContentLength) === content.length &&
                                    sha1(content) === record.warcBlockDigest)) &&
                        (!record.warcPayloadDigest || chunked || sha1(payload) === record.warcPayloadDigest);
  });

  let index = 0;
  for await (const record of WARCParser.iterRecords(fs.createReadStream(file))) {
    const seen = raw[index++];
    if (record.httpHeaders) {
      seen.status = Number(record.httpHeaders.statusCode || 0);
      seen.requestLine = record.warcType === 'request' ? record.httpHeaders.statusline : '';
      const content = Buffer.from(await record.readFully(true));
      seen.bodySha1 = crypto.createHash('sha1').update(content).digest('hex');
    }
    process.stdout.write(Line(seen) + '\n');
  }
  if (index !== raw.length) throw new Error('the two passes saw different records');
}

main().catch((error) => {
  process.stderr.write(String(error && error.stack || error) + '\n');
  process.exit(1);
});
