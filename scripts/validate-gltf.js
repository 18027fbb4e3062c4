#!/usr/bin/env node
// Validates .gltf and .glb files with the Khronos glTF validator (installed by
// ./scripts/setup.sh --install into scripts/gltf/node_modules). Prints every message and
// fails unless each file has 0 errors and 0 warnings.
//
//   node scripts/validate-gltf.js FILE...
"use strict";
const fs = require("fs");
const path = require("path");
const validator = require(path.join(__dirname, "gltf", "node_modules", "gltf-validator"));

const severities = ["error", "warning", "info", "hint"];

async function validate(file) {
	const bytes = new Uint8Array(fs.readFileSync(file));
	const report = await validator.validateBytes(bytes, {
		uri: path.basename(file),
		maxIssues: 0, // every issue
		// Buffers and images that the file names by relative URI lie next to it.
		externalResourceFunction: (uri) =>
			new Promise((resolve, reject) => {
				const where = path.resolve(path.dirname(file), decodeURIComponent(uri));
				fs.readFile(where, (error, data) => (error ? reject(error.toString()) : resolve(new Uint8Array(data))));
			}),
	});
	const issues = report.issues;
	for (const m of issues.messages)
		console.log(`${file}: ${severities[m.severity] || m.severity}: ${m.code} at ${m.pointer || "-"}: ${m.message}`);
	const info = report.info || {};
	console.log(
		`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos, ` +
			`${issues.numHints} hints (${info.drawCallCount} draw calls, ${info.totalVertexCount} vertices, ` +
			`${info.totalTriangleCount} triangles, ${info.materialCount} materials)`
	);
	return issues.numErrors === 0 && issues.numWarnings === 0;
}

async function main(files) {
	if (files.length === 0) {
		console.error("usage: node scripts/validate-gltf.js FILE...");
		return 2;
	}
	let ok = true;
	for (const file of files) {
		try {
			if (!(await validate(file))) ok = false;
		} catch (error) {
			console.log(`${file}: not validated: ${error}`);
			ok = false;
		}
	}
	return ok ? 0 : 1;
}

main(process.argv.slice(2)).then((code) => process.exit(code));
