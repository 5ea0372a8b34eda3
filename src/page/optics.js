'use strict';

// What one source's matrices imply beyond the four points the dialogue
// prints: the focal lengths, the nodal points, the image of an object and
// the paths of the principal rays. A source is one record of
// window.tremovia.lens(): the program's (its product surface terms) or the
// textbook's (quotients). A ray is (y, u), its height and slope: R1 acts at
// v1, T12 across the lens, R2 at v2. A system whose S21 is zero is afocal:
// it has no focal points, and both focal lengths are infinite.
const lensOptics = (() => {
  const isAfocal = (m) => m.S21 === 0;

  // The image of an object standing at xo, h cm high: at v2 + d, with
  // d = -(S11 L + S12) / (S21 L + S22) and L = v1 - xo, written over L
  // when L is large, so that no product overflows: the image of an object
  // at -1e308 is at FI. At infinity where the denominator vanishes.
  const imageOf = (m, xo, h) => {
    const L = m.v1 - xo;
    const large = Math.abs(L) > 1;
    const numerator = large ? m.S11 + m.S12 / L : m.S11 * L + m.S12;
    const denominator = large ? m.S21 + m.S22 / L : m.S21 * L + m.S22;
    const scale = large ? Math.abs(m.S21) + Math.abs(m.S22 / L) : Math.abs(m.S21 * L) + Math.abs(m.S22);
    if (!(Math.abs(denominator) > 1e-12 * scale)) return { atInfinity: Number.isFinite(denominator), position: NaN };
    const d = -numerator / denominator;
    const magnification = m.S11 + d * m.S21;
    return { position: m.v2 + d, height: magnification * h, magnification: magnification, virtual: d < 0, atInfinity: false };
  };

  // The focal lengths, the nodal points (a ray aimed at NO leaves from NI
  // at the same slope) and the image of `object` ({ x, h }).
  const derived = (m, object) => {
    const afocal = isAfocal(m);
    const NO = afocal ? NaN : m.v1 - (1 - m.S22) / m.S21;
    return {
      afocal: afocal, fI: afocal ? Infinity : m.FI - m.HI, fO: afocal ? Infinity : m.HO - m.FO, NO: NO,
      NI: afocal ? NaN : m.v2 - (m.S11 * (m.v1 - NO) + m.S12),
      image: imageOf(m, object.x, object.h),
    };
  };

  // A ray through the lens from its height y0 and slope u at the plane x0:
  // the ray at each plane of the derivation (y and u), with the matrix that
  // took it there: free space to v1, R1, T12, R2. A matrix's constant ones
  // and zeros are the texts the dialogue prints for them.
  const trace = (m, x0, y0, u) => {
    const y1 = y0 + (m.v1 - x0) * u;
    const u1 = m.R121 * y1 + m.R122 * u;
    const y2 = y1 + m.T1212 * u1;
    const u2 = m.R221 * y2 + m.R222 * u1;
    return {
      x0: x0,
      planes: [
        { plane: 'object', y: y0, u: u },
        { plane: 'v1', y: y1, u: u, matrix: 'free space', entries: ['1', m.v1 - x0, '0', '1'] },
        { plane: 'R1', y: y1, u: u1, matrix: 'R1', entries: ['1', '0', m.R121, m.R122] },
        { plane: 'v2', y: y2, u: u1, matrix: 'T12', entries: ['1', m.T1212, '0', '1'] },
        { plane: 'R2', y: y2, u: u2, matrix: 'R2', entries: ['1', '0', m.R221, m.R222] },
      ],
    };
  };

  // The principal rays from the tip of `object` that exist, none twice:
  // parallel to the axis, aimed at FO, aimed at NO (`nodal`). Each is traced
  // from the tip, however far behind v1 the tip stands.
  const principalRays = (m, object, nodal) => {
    const aims = { parallel: 0 };
    if (!isAfocal(m)) {
      aims.focal = -object.h / (m.FO - object.x);
      aims.nodal = -object.h / (nodal - object.x);
    }
    const rays = {};
    const slopes = [];
    for (const name of Object.keys(aims)) {
      const u = aims[name];
      if (!Number.isFinite(u) || slopes.indexOf(u) >= 0) continue;
      slopes.push(u);
      rays[name] = trace(m, object.x, object.h, u);
    }
    return rays;
  };

  return { derived: derived, principalRays: principalRays, isAfocal: isAfocal };
})();
